// The real Instance: a named mutex, the ".shr" shared section, WSAStartup.
#pragma once

#include <windows.h>

#include "platform/instance.h"

namespace zelta::win32 {

class Win32Instance final : public Instance {
public:
    Win32Error ClaimMutex(std::string_view name) override;
    Win32Error MutexOwner(ObjectOwner& out) override;
    bool MutexExists(std::string_view name, std::uint32_t session) override;
    WindowHandle SharedWindow() override;
    void SetSharedWindow(WindowHandle window) override;
    Win32Error StartWinsock() override;

private:
    HANDLE m_mutex = nullptr;  // held, never closed, until the process ends: that is the claim
};

}  // namespace zelta::win32
