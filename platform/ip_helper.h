// IpHelper: the IP Helper calls. Implemented by platform/win32/ip_helper.cpp and
// platform/sim/ip_helper.cpp. Rows are portable records with the OS field names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ipv4.h"
#include "platform/win32_error.h"

namespace zelta {

// One address of an adapter, as GetAdaptersInfo gives it: dotted-quad texts.
struct AdapterAddress {
    std::string IpAddress;
    std::string IpMask;
};

// An IP_ADAPTER_INFO record.
struct AdapterInfo {
    std::string AdapterName;   // "{GUID}": the device is "\\.\" followed by this name
    std::string Description;
    std::vector<std::uint8_t> Address;  // the physical address, at most 8 bytes
    std::uint32_t Index = 0;
    std::uint32_t Type = 0;    // MIB_IF_TYPE_ETHERNET 6, ...
    std::uint32_t DhcpEnabled = 0;
    std::vector<AdapterAddress> IpAddressList;  // never empty on Windows: "0.0.0.0" when unset
    std::vector<AdapterAddress> GatewayList;
};

class IpHelper {
public:
    virtual ~IpHelper() = default;

    // GetBestInterface: the index of the interface the machine would use towards `destination`.
    virtual Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) = 0;

    // GetAdaptersInfo: every adapter, in the system's order.
    virtual Win32Error AdaptersInfo(std::vector<AdapterInfo>& out) = 0;
};

}  // namespace zelta
