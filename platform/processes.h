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

    // CreateProcess of `commandLine` (no handle inheritance, default environment and directory) in a
    // new console with its window hidden, then a wait without a time limit. `application`, when not
    // empty, is the program file to run, so that the command line's first word is not looked for
    // along the search path (which begins in the caller's own directory). Returns kSuccess with the
    // exit code in `exitCode` (0 when it cannot be read), or the creation error (kFileNotFound for a
    // program that is not there). Blocks the caller meanwhile.
    virtual Win32Error RunAndWait(std::string_view application, std::string_view commandLine,
                                  std::uint32_t& exitCode) = 0;

    // Starts `commandLine` without waiting; its handles are closed at once.
    virtual Win32Error Start(std::string_view commandLine, StartWindow window) = 0;

    // CreateProcessAsUser with a copy of the calling process's own token moved into `session`, on
    // `desktop` (winsta0\default, winsta0\Winlogon), without waiting; the handles are closed
    // at once. Only a process of the system account may move a token between sessions (on a
    // Windows without Terminal Services every process is in session 0).
    virtual Win32Error StartInSession(std::string_view commandLine, std::uint32_t session,
                                      std::string_view desktop) = 0;
};

}  // namespace zelta
