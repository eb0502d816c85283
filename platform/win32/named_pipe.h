// The real NamedPipe: the client end opened with CreateFile at identification level and used with
// TransactNamedPipe; the server end created with CreateNamedPipe and served overlapped, so that a
// service control wakes every wait.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/named_pipe.h"

namespace zelta::win32 {

class Win32NamedPipe final : public NamedPipe {
public:
    // `controlEvent` is set while a control for this process's service waits (Win32ServiceHost).
    explicit Win32NamedPipe(HANDLE controlEvent) : m_controlEvent(controlEvent) {}
    Win32Error Open(std::string_view name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) override;
    Win32Error CreateServer(std::string_view name, const PipeSecurity& security, const PipeServing& serving,
                            std::unique_ptr<PipeServerEnd>& out) override;

private:
    HANDLE m_controlEvent;
};

// The server end over the instances CreateServer made, the first first (platform/win32/pipe_server.cpp).
std::unique_ptr<PipeServerEnd> MakePipeServerEnd(std::vector<HANDLE> pipes, const PipeServing& serving,
                                                 HANDLE controlEvent);

}  // namespace zelta::win32
