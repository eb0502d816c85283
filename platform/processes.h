// Processes: starting other programs. Implemented by platform/win32/processes.cpp and
// platform/sim/processes.cpp.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win32_error.h"

namespace zelta {

enum class StartWindow { Hidden, Default };

class Processes {
public:
    virtual ~Processes() = default;

    // CreateProcess of `commandLine` (no separate application name, no handle inheritance, default
    // environment and directory) in a new console with its window hidden, then a wait without a time
    // limit. Returns kSuccess with the exit code in `exitCode` (0 when it cannot be read), or the
    // creation error (kFileNotFound for a program that is not there). Blocks the caller meanwhile.
    virtual Win32Error RunAndWait(std::string_view commandLine, std::uint32_t& exitCode) = 0;

    // Starts `commandLine` without waiting; its handles are closed at once.
    virtual Win32Error Start(std::string_view commandLine, StartWindow window) = 0;
};

}  // namespace zelta
