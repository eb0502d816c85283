// Instance: what one copy of the dialer shares with the others. Declared here; the implementations
// come with the start-up roads.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ui.h"
#include "platform/win32_error.h"

namespace zelta {

class Instance {
public:
    virtual ~Instance() = default;

    // CreateMutex with initial ownership, held until the process ends. Returns kSuccess for the
    // first copy, kAlreadyExists when another copy holds it, or the creation error.
    virtual Win32Error ClaimMutex(std::string_view name) = 0;

    // The window handle kept in the data section every copy of the program image shares.
    virtual WindowHandle SharedWindow() = 0;
    virtual void SetSharedWindow(WindowHandle window) = 0;

    // WSAStartup asking for Winsock 1.1.
    virtual Win32Error StartWinsock() = 0;
};

}  // namespace zelta
