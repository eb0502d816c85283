// The real Processes: CreateProcess, and CreateProcessAsUser with the process's own token.
#pragma once

#include "platform/processes.h"

namespace zelta::win32 {

class Win32Processes final : public Processes {
public:
    Win32Error RunAndWait(std::string_view application, std::string_view commandLine, std::uint32_t& exitCode) override;
    Win32Error Start(std::string_view commandLine, StartWindow window) override;
    Win32Error StartInSession(std::string_view commandLine, std::uint32_t session, std::string_view desktop) override;
};

}  // namespace zelta::win32
