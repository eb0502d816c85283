// IpHelper: the IP Helper calls. Implemented by platform/win32/ip_helper.cpp and
// platform/sim/ip_helper.cpp. Rows are portable records with the OS field names.
#pragma once

#include <array>
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

// An MIB_IPFORWARDROW.
struct IpForwardRow {
    Ipv4 dwForwardDest;
    Ipv4 dwForwardMask;
    std::uint32_t dwForwardPolicy = 0;
    Ipv4 dwForwardNextHop;
    std::uint32_t dwForwardIfIndex = 0;
    std::uint32_t dwForwardType = 0;
    std::uint32_t dwForwardProto = 0;
    std::uint32_t dwForwardAge = 0;
    std::uint32_t dwForwardNextHopAS = 0;
    std::uint32_t dwForwardMetric1 = 0;
    std::uint32_t dwForwardMetric2 = 0;
    std::uint32_t dwForwardMetric3 = 0;
    std::uint32_t dwForwardMetric4 = 0;
    std::uint32_t dwForwardMetric5 = 0;
    friend bool operator==(const IpForwardRow&, const IpForwardRow&) = default;
};

// An MIB_IFROW, without the interface name nothing reads.
struct InterfaceRow {
    std::uint32_t dwIndex = 0;
    std::uint32_t dwType = 0;         // MIB_IF_TYPE_ETHERNET 6, MIB_IF_TYPE_PPP 23, ...
    std::uint32_t dwMtu = 0;
    std::uint32_t dwSpeed = 0;        // bits per second
    std::uint32_t dwPhysAddrLen = 0;
    std::array<std::uint8_t, 8> bPhysAddr{};
    std::uint32_t dwAdminStatus = 0;
    std::uint32_t dwOperStatus = 0;   // MIB_IF_OPER_STATUS_OPERATIONAL 5
    std::uint32_t dwLastChange = 0;
    std::uint32_t dwInOctets = 0;
    std::uint32_t dwInUcastPkts = 0;
    std::uint32_t dwInNUcastPkts = 0;
    std::uint32_t dwInDiscards = 0;
    std::uint32_t dwInErrors = 0;
    std::uint32_t dwInUnknownProtos = 0;
    std::uint32_t dwOutOctets = 0;
    std::uint32_t dwOutUcastPkts = 0;
    std::uint32_t dwOutNUcastPkts = 0;
    std::uint32_t dwOutDiscards = 0;
    std::uint32_t dwOutErrors = 0;
    std::uint32_t dwOutQLen = 0;
    std::string bDescr;               // at most 255 bytes, up to its first zero
};

// The bytes of one MIB_IFROW and of the table's count word, which size GetIfTable's answer.
inline constexpr std::uint32_t kInterfaceRowBytes = 860;
inline constexpr std::uint32_t kInterfaceTableHeaderBytes = 4;

class IpHelper {
public:
    virtual ~IpHelper() = default;

    // GetBestInterface: the index of the interface the machine would use towards `destination`.
    virtual Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) = 0;

    // GetAdaptersInfo: every adapter, in the system's order.
    virtual Win32Error AdaptersInfo(std::vector<AdapterInfo>& out) = 0;

    // GetIpForwardTable, sorted, with room for `capacity` rows (kInsufficientBuffer when more).
    virtual Win32Error ForwardTable(std::size_t capacity, std::vector<IpForwardRow>& out) = 0;
    // GetIfTable with a size of 0: the bytes the whole table needs (count word and rows).
    virtual Win32Error InterfaceTableSize(std::uint32_t& bytes) = 0;
    // GetIfTable, sorted, with room for `capacity` rows (kInsufficientBuffer when more).
    virtual Win32Error InterfaceTable(std::size_t capacity, std::vector<InterfaceRow>& out) = 0;
    // GetNetworkParams: the DNS servers of DnsServerList, in order, as dotted quads.
    virtual Win32Error NetworkParams(std::vector<std::string>& dnsServers) = 0;

    // DeleteIpForwardEntry / CreateIpForwardEntry.
    virtual Win32Error DeleteForwardEntry(const IpForwardRow& row) = 0;
    virtual Win32Error CreateForwardEntry(const IpForwardRow& row) = 0;
};

}  // namespace zelta
