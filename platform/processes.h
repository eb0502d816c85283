// Processes: starting other programs. Declared here; the implementations come with the service and
// IPsec work.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win32_error.h"

namespace zelta {

enum class StartWindow { Hidden, Default };

class Processes {
public:
    virtual ~Processes() = default;

    // CreateProcess of `commandLine` (no separate application name, no handle inheritance) in a new
    // console with its window hidden, then waits without a time limit. Returns kSuccess with the
    // exit code in `exitCode` (0 when it cannot be read), or the creation error.
    virtual Win32Error RunAndWait(std::string_view commandLine, std::uint32_t& exitCode) = 0;

    // Starts `commandLine` without waiting; the process and thread handles are closed at once.
    virtual Win32Error Start(std::string_view commandLine, StartWindow window) = 0;
};

}  // namespace zelta
