// Instance: what one copy of a program shares with the other copies, and Winsock's start. Implemented
// by platform/win32/instance.cpp and platform/sim/instance.cpp.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/principal.h"
#include "platform/ui.h"
#include "platform/win32_error.h"

namespace zelta {

class Instance {
public:
    virtual ~Instance() = default;

    // CreateMutex with initial ownership; the handle is held until the process ends. Returns kSuccess
    // for the first copy, kAlreadyExists (183) when the mutex exists already, or the creation error
    // (kInvalidHandle when an object of another kind has the name).
    virtual Win32Error ClaimMutex(std::string_view name) = 0;

    // The owner of the mutex the last ClaimMutex found existing (GetSecurityInfo on its handle): who
    // created it. Fails when ClaimMutex got no handle or the owner cannot be read.
    virtual Win32Error MutexOwner(ObjectOwner& out) = 0;

    // OpenMutex in the namespace of `session`: true while some process of that session holds a
    // mutex of this name (the named objects of a session are its own unless they say "Global\").
    virtual bool MutexExists(std::string_view name, std::uint32_t session) = 0;

    // The window handle in the data section every copy of the program image shares (0 until a copy
    // stores its window there).
    virtual WindowHandle SharedWindow() = 0;
    virtual void SetSharedWindow(WindowHandle window) = 0;

    // WSAStartup asking for Winsock 1.1. Name lookups work only after it succeeded.
    virtual Win32Error StartWinsock() = 0;
};

}  // namespace zelta
