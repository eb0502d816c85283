// IpHelper: the IP Helper calls. Declared here with the best-interface query; the adapter list,
// the interface table, the forwarding table and the network parameters come with the routing work.
#pragma once

#include <cstdint>

#include "platform/ipv4.h"
#include "platform/win32_error.h"

namespace zelta {

class IpHelper {
public:
    virtual ~IpHelper() = default;

    // GetBestInterface: the index of the interface the machine would use towards `destination`.
    virtual Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) = 0;
};

}  // namespace zelta
