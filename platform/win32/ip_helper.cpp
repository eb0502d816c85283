// Implements platform/ip_helper.h with the IP Helper API.
#include "platform/win32/ip_helper.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

std::vector<AdapterAddress> Addresses(const IP_ADDR_STRING* list) {
    std::vector<AdapterAddress> out;
    for (; list; list = list->Next)
        out.push_back(AdapterAddress{std::string(list->IpAddress.String, strnlen(list->IpAddress.String, 16)),
                                     std::string(list->IpMask.String, strnlen(list->IpMask.String, 16))});
    return out;
}

}  // namespace

Win32Error Win32IpHelper::BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) {
    DWORD index = 0;
    const DWORD rc = ::GetBestInterface(destination.NetworkOrderValue(), &index);
    if (rc == NO_ERROR) interfaceIndex = index;
    return rc;
}

Win32Error Win32IpHelper::AdaptersInfo(std::vector<AdapterInfo>& out) {
    ULONG size = 0;
    DWORD rc = ::GetAdaptersInfo(nullptr, &size);
    if (rc != ERROR_BUFFER_OVERFLOW) return rc == NO_ERROR ? ERROR_NO_DATA : rc;
    std::vector<std::uint8_t> buffer(size);
    auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    rc = ::GetAdaptersInfo(first, &size);
    if (rc != NO_ERROR) return rc;
    out.clear();
    for (const IP_ADAPTER_INFO* a = first; a; a = a->Next) {
        AdapterInfo info;
        info.AdapterName.assign(a->AdapterName, strnlen(a->AdapterName, sizeof a->AdapterName));
        info.Description = FromAnsi(std::string_view(a->Description, strnlen(a->Description, sizeof a->Description)));
        info.Address.assign(a->Address, a->Address + std::min<UINT>(a->AddressLength, sizeof a->Address));
        info.Index = a->Index;
        info.Type = a->Type;
        info.DhcpEnabled = a->DhcpEnabled;
        info.IpAddressList = Addresses(&a->IpAddressList);
        info.GatewayList = Addresses(&a->GatewayList);
        out.push_back(std::move(info));
    }
    return NO_ERROR;
}

namespace {

IpForwardRow FromMib(const MIB_IPFORWARDROW& m) {
    IpForwardRow r;
    r.dwForwardDest = Ipv4::FromNetworkOrderValue(m.dwForwardDest);
    r.dwForwardMask = Ipv4::FromNetworkOrderValue(m.dwForwardMask);
    r.dwForwardPolicy = m.dwForwardPolicy;
    r.dwForwardNextHop = Ipv4::FromNetworkOrderValue(m.dwForwardNextHop);
    r.dwForwardIfIndex = m.dwForwardIfIndex;
    r.dwForwardType = m.dwForwardType;
    r.dwForwardProto = m.dwForwardProto;
    r.dwForwardAge = m.dwForwardAge;
    r.dwForwardNextHopAS = m.dwForwardNextHopAS;
    r.dwForwardMetric1 = m.dwForwardMetric1;
    r.dwForwardMetric2 = m.dwForwardMetric2;
    r.dwForwardMetric3 = m.dwForwardMetric3;
    r.dwForwardMetric4 = m.dwForwardMetric4;
    r.dwForwardMetric5 = m.dwForwardMetric5;
    return r;
}

MIB_IPFORWARDROW ToMib(const IpForwardRow& r) {
    MIB_IPFORWARDROW m{};
    m.dwForwardDest = r.dwForwardDest.NetworkOrderValue();
    m.dwForwardMask = r.dwForwardMask.NetworkOrderValue();
    m.dwForwardPolicy = r.dwForwardPolicy;
    m.dwForwardNextHop = r.dwForwardNextHop.NetworkOrderValue();
    m.dwForwardIfIndex = r.dwForwardIfIndex;
    m.dwForwardType = r.dwForwardType;
    m.dwForwardProto = r.dwForwardProto;
    m.dwForwardAge = r.dwForwardAge;
    m.dwForwardNextHopAS = r.dwForwardNextHopAS;
    m.dwForwardMetric1 = r.dwForwardMetric1;
    m.dwForwardMetric2 = r.dwForwardMetric2;
    m.dwForwardMetric3 = r.dwForwardMetric3;
    m.dwForwardMetric4 = r.dwForwardMetric4;
    m.dwForwardMetric5 = r.dwForwardMetric5;
    return m;
}

}  // namespace

Win32Error Win32IpHelper::ForwardTable(std::size_t capacity, std::vector<IpForwardRow>& out) {
    m_forwardBuffer.assign(sizeof(DWORD) + capacity * sizeof(MIB_IPFORWARDROW), 0);
    auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(m_forwardBuffer.data());
    ULONG size = static_cast<ULONG>(m_forwardBuffer.size());
    const DWORD rc = ::GetIpForwardTable(table, &size, TRUE);
    if (rc != NO_ERROR) return rc;
    out.clear();
    for (DWORD i = 0; i < table->dwNumEntries && i < capacity; ++i) out.push_back(FromMib(table->table[i]));
    return NO_ERROR;
}

static_assert(sizeof(MIB_IFROW) == kInterfaceRowBytes, "MIB_IFROW as GetIfTable sizes it");

Win32Error Win32IpHelper::InterfaceTableSize(std::uint32_t& bytes) {
    ULONG size = 0;
    const DWORD rc = ::GetIfTable(nullptr, &size, TRUE);
    if (rc != ERROR_INSUFFICIENT_BUFFER && rc != NO_ERROR) return rc;
    bytes = size;
    return NO_ERROR;
}

Win32Error Win32IpHelper::InterfaceTable(std::size_t capacity, std::vector<InterfaceRow>& out) {
    m_interfaceBuffer.assign(kInterfaceTableHeaderBytes + capacity * sizeof(MIB_IFROW), 0);
    auto* table = reinterpret_cast<MIB_IFTABLE*>(m_interfaceBuffer.data());
    ULONG size = static_cast<ULONG>(m_interfaceBuffer.size());
    const DWORD rc = ::GetIfTable(table, &size, TRUE);
    if (rc != NO_ERROR) return rc;
    out.clear();
    for (DWORD i = 0; i < table->dwNumEntries && i < capacity; ++i) {
        const MIB_IFROW& m = table->table[i];
        InterfaceRow row;
        row.dwIndex = m.dwIndex;
        row.dwType = m.dwType;
        row.dwMtu = m.dwMtu;
        row.dwSpeed = m.dwSpeed;
        row.dwPhysAddrLen = m.dwPhysAddrLen;
        std::memcpy(row.bPhysAddr.data(), m.bPhysAddr, row.bPhysAddr.size());
        row.dwAdminStatus = m.dwAdminStatus;
        row.dwOperStatus = m.dwOperStatus;
        row.dwLastChange = m.dwLastChange;
        row.dwInOctets = m.dwInOctets;
        row.dwInUcastPkts = m.dwInUcastPkts;
        row.dwInNUcastPkts = m.dwInNUcastPkts;
        row.dwInDiscards = m.dwInDiscards;
        row.dwInErrors = m.dwInErrors;
        row.dwInUnknownProtos = m.dwInUnknownProtos;
        row.dwOutOctets = m.dwOutOctets;
        row.dwOutUcastPkts = m.dwOutUcastPkts;
        row.dwOutNUcastPkts = m.dwOutNUcastPkts;
        row.dwOutDiscards = m.dwOutDiscards;
        row.dwOutErrors = m.dwOutErrors;
        row.dwOutQLen = m.dwOutQLen;
        // The driver's description, bounded by its own length and the field, up to a zero.
        const auto* descr = reinterpret_cast<const char*>(m.bDescr);
        const std::size_t limit = std::min<std::size_t>(m.dwDescrLen, MAXLEN_IFDESCR);
        row.bDescr = FromAnsi(std::string_view(descr, strnlen(descr, limit)));
        out.push_back(std::move(row));
    }
    return NO_ERROR;
}

Win32Error Win32IpHelper::NetworkParams(std::vector<std::string>& dnsServers) {
    std::vector<std::uint8_t> buffer(8192);
    ULONG size = static_cast<ULONG>(buffer.size());
    auto* info = reinterpret_cast<FIXED_INFO*>(buffer.data());
    const DWORD rc = ::GetNetworkParams(info, &size);
    if (rc != NO_ERROR) return rc;
    dnsServers = {};
    for (const IP_ADDR_STRING* s = &info->DnsServerList; s; s = s->Next) {
        const std::string address(s->IpAddress.String, strnlen(s->IpAddress.String, 16));
        if (!address.empty()) dnsServers.push_back(address);
    }
    return NO_ERROR;
}

Win32Error Win32IpHelper::DeleteForwardEntry(const IpForwardRow& row) {
    MIB_IPFORWARDROW m = ToMib(row);
    return ::DeleteIpForwardEntry(&m);
}

Win32Error Win32IpHelper::CreateForwardEntry(const IpForwardRow& row) {
    MIB_IPFORWARDROW m = ToMib(row);
    return ::CreateIpForwardEntry(&m);
}

}  // namespace zelta::win32
