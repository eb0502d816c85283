// Implements platform/resolver.h with Winsock 1.1's gethostbyname.
#include "platform/win32/resolver.h"

#include <winsock2.h>

#include <cstring>
#include <string>

#include "platform/win32/wide.h"

namespace zelta::win32 {

Win32Error Win32Resolver::Resolve(std::string_view hostName, Ipv4& out) {
    const std::string name = ToAnsi(hostName);
    const hostent* host = ::gethostbyname(name.c_str());
    if (!host) return static_cast<Win32Error>(::WSAGetLastError());
    if (host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list || !host->h_addr_list[0])
        return WSANO_DATA;
    std::memcpy(out.octets.data(), host->h_addr_list[0], 4);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
