// The real IpHelper: the IP Helper API.
#pragma once

#include "platform/ip_helper.h"

namespace zelta::win32 {

class Win32IpHelper final : public IpHelper {
public:
    Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) override;
    Win32Error AdaptersInfo(std::vector<AdapterInfo>& out) override;
};

}  // namespace zelta::win32
