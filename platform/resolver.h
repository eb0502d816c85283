// Resolver: host-name lookup (gethostbyname over Winsock 1.1). Implemented by
// platform/win32/resolver.cpp and platform/sim/resolver.cpp.
#pragma once

#include <string_view>

#include "platform/ipv4.h"
#include "platform/win32_error.h"

namespace zelta {

class Resolver {
public:
    virtual ~Resolver() = default;

    // The first IPv4 address of `hostName`. Returns kSuccess, kWsaHostNotFound (11001) for a name
    // nobody knows, kWsaNotInitialised when Winsock was not started in this process, or another
    // Winsock error as WSAGetLastError gives it.
    virtual Win32Error Resolve(std::string_view hostName, Ipv4& out) = 0;
};

}  // namespace zelta
