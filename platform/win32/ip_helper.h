// The real IpHelper: the IP Helper API.
#pragma once

#include "platform/ip_helper.h"

namespace zelta::win32 {

class Win32IpHelper final : public IpHelper {
public:
    Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) override;
    Win32Error AdaptersInfo(std::vector<AdapterInfo>& out) override;
    Win32Error ForwardTable(std::size_t capacity, std::vector<IpForwardRow>& out) override;
    Win32Error InterfaceTableSize(std::uint32_t& bytes) override;
    Win32Error InterfaceTable(std::size_t capacity, std::vector<InterfaceRow>& out) override;
    Win32Error NetworkParams(std::vector<std::string>& dnsServers) override;
    Win32Error DeleteForwardEntry(const IpForwardRow& row) override;
    Win32Error CreateForwardEntry(const IpForwardRow& row) override;

private:
    // Reused, zero-filled before each read: the watch reads the tables every 5 seconds.
    std::vector<std::uint8_t> m_interfaceBuffer;
    std::vector<std::uint8_t> m_forwardBuffer;
};

}  // namespace zelta::win32
