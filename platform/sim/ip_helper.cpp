// Implements platform/ip_helper.h over the simulated machine's adapters and routes.
#include "platform/sim/ip_helper.h"

#include "platform/sim/code_page.h"
#include "platform/sim/programs.h"
#include "platform/text.h"

#include <algorithm>
#include <bit>
#include <tuple>

namespace zelta::sim {
namespace {

constexpr Win32Error kNetworkUnreachable = 1231;  // ERROR_NETWORK_UNREACHABLE
constexpr Win32Error kNoData = 232;               // ERROR_NO_DATA: GetAdaptersInfo with no adapters

// The prefix length of a mask, counting its set bits.
int PrefixLength(Ipv4 mask) { return std::popcount(mask.NetworkOrderValue()); }

// A driver's description as an ANSI field of `bytes` holds it, read back by the caller.
std::string AnsiField(const Machine& machine, std::string_view text, std::size_t bytes) {
    return AnsiToUtf8(machine.ansiCodePage, Utf8ToAnsi(machine.ansiCodePage, text).substr(0, bytes));
}

}  // namespace

// The longest matching prefix wins, then the lower metric: what the IP stack would choose.
Win32Error SimIpHelper::BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) {
    if (auto fault = m_faults.Check("GetBestInterface", destination.ToString())) return *fault;
    const RouteRow* best = nullptr;
    for (const RouteRow& row : m_machine.routes) {
        const std::uint32_t mask = row.mask.NetworkOrderValue();
        if ((destination.NetworkOrderValue() & mask) != (row.dest.NetworkOrderValue() & mask)) continue;
        if (!best || PrefixLength(row.mask) > PrefixLength(best->mask) ||
            (PrefixLength(row.mask) == PrefixLength(best->mask) && row.metric < best->metric))
            best = &row;
    }
    if (!best) return kNetworkUnreachable;
    interfaceIndex = best->ifIndex;
    return err::kSuccess;
}

Win32Error SimIpHelper::AdaptersInfo(std::vector<AdapterInfo>& out) {
    if (auto fault = m_faults.Check("GetAdaptersInfo")) return *fault;
    if (m_machine.adapters.empty()) return kNoData;
    out.clear();
    for (const SimAdapter& adapter : m_machine.adapters) {
        out.push_back(adapter.info);
        out.back().Description = AnsiField(m_machine, adapter.info.Description, 131);  // MAX_ADAPTER_DESCRIPTION_LENGTH
    }
    return err::kSuccess;
}

namespace {

constexpr Win32Error kNotFound = 1168;  // ERROR_NOT_FOUND

IpForwardRow ToForwardRow(const RouteRow& r) {
    IpForwardRow row;
    row.dwForwardDest = r.dest;
    row.dwForwardMask = r.mask;
    row.dwForwardNextHop = r.nextHop;
    row.dwForwardIfIndex = r.ifIndex;
    row.dwForwardType = r.type;
    row.dwForwardProto = r.proto;
    row.dwForwardMetric1 = r.metric;
    return row;
}

// Sorted as GetIpForwardTable sorts: by destination, then mask, then next hop, octet by octet.
bool Before(const RouteRow& a, const RouteRow& b) {
    return std::tie(a.dest.octets, a.mask.octets, a.nextHop.octets) < std::tie(b.dest.octets, b.mask.octets, b.nextHop.octets);
}

}  // namespace

Win32Error SimIpHelper::ForwardTable(std::size_t capacity, std::vector<IpForwardRow>& out) {
    if (auto fault = m_faults.Check("GetIpForwardTable")) return *fault;
    std::vector<RouteRow> rows = m_machine.routes;
    std::stable_sort(rows.begin(), rows.end(), Before);
    if (rows.size() > capacity) return err::kInsufficientBuffer;
    out.clear();
    for (const RouteRow& r : rows) out.push_back(ToForwardRow(r));
    return err::kSuccess;
}

namespace {

}  // namespace

std::uint32_t* InterfaceCounter(InterfaceRow& row, std::string_view name) {
    const std::pair<std::string_view, std::uint32_t InterfaceRow::*> fields[] = {
        {"dwInOctets", &InterfaceRow::dwInOctets},     {"dwInUcastPkts", &InterfaceRow::dwInUcastPkts},
        {"dwInNUcastPkts", &InterfaceRow::dwInNUcastPkts}, {"dwInDiscards", &InterfaceRow::dwInDiscards},
        {"dwInErrors", &InterfaceRow::dwInErrors},     {"dwInUnknownProtos", &InterfaceRow::dwInUnknownProtos},
        {"dwOutOctets", &InterfaceRow::dwOutOctets},   {"dwOutUcastPkts", &InterfaceRow::dwOutUcastPkts},
        {"dwOutNUcastPkts", &InterfaceRow::dwOutNUcastPkts}, {"dwOutDiscards", &InterfaceRow::dwOutDiscards},
        {"dwOutErrors", &InterfaceRow::dwOutErrors},   {"dwOutQLen", &InterfaceRow::dwOutQLen}};
    for (const auto& [field, member] : fields)
        if (EqualsNoCase(field, name)) return &(row.*member);
    return nullptr;
}

namespace {

InterfaceRow ToInterfaceRow(const Machine& machine, const SimAdapter& adapter) {
    InterfaceRow row;
    row.dwIndex = adapter.info.Index;
    row.dwType = adapter.iface.type.value_or(adapter.info.Type);
    row.dwMtu = row.dwType == 23 ? 1400 : 1500;
    row.dwSpeed = adapter.iface.speed;
    row.dwPhysAddrLen = static_cast<std::uint32_t>(std::min<std::size_t>(adapter.info.Address.size(), 8));
    std::copy_n(adapter.info.Address.begin(), row.dwPhysAddrLen, row.bPhysAddr.begin());
    row.dwAdminStatus = adapter.iface.adminStatus;
    row.dwOperStatus = adapter.iface.operStatus;
    row.dwLastChange = adapter.iface.lastChange;
    for (const auto& [name, value] : adapter.iface.counters)
        if (std::uint32_t* counter = InterfaceCounter(row, name)) *counter = value;
    row.bDescr = AnsiField(machine, adapter.iface.description.value_or(adapter.info.Description), 255);  // MAXLEN_IFDESCR
    return row;
}

// The row every Windows 2000/XP interface table starts with.
InterfaceRow LoopbackRow() {
    InterfaceRow row;
    row.dwIndex = 1;
    row.dwType = 24;  // MIB_IF_TYPE_LOOPBACK
    row.dwMtu = 1520;
    row.dwSpeed = 10000000;
    row.dwAdminStatus = 1;
    row.dwOperStatus = 5;
    row.bDescr = "MS TCP Loopback interface";
    return row;
}

}  // namespace

Win32Error SimIpHelper::InterfaceTableSize(std::uint32_t& bytes) {
    if (auto fault = m_faults.Check("GetIfTable", "size")) return *fault;
    bytes = kInterfaceTableHeaderBytes + kInterfaceRowBytes * static_cast<std::uint32_t>(m_machine.adapters.size() + 1);
    return err::kSuccess;
}

Win32Error SimIpHelper::InterfaceTable(std::size_t capacity, std::vector<InterfaceRow>& out) {
    if (auto fault = m_faults.Check("GetIfTable", "table")) return *fault;
    if (m_machine.adapters.size() + 1 > capacity) return err::kInsufficientBuffer;
    out.clear();
    out.push_back(LoopbackRow());
    for (const SimAdapter& adapter : m_machine.adapters) out.push_back(ToInterfaceRow(m_machine, adapter));
    std::stable_sort(out.begin(), out.end(), [](const InterfaceRow& a, const InterfaceRow& b) { return a.dwIndex < b.dwIndex; });
    return err::kSuccess;
}

Win32Error SimIpHelper::NetworkParams(std::vector<std::string>& dnsServers) {
    if (auto fault = m_faults.Check("GetNetworkParams")) return *fault;
    dnsServers = m_machine.dnsServers;
    return err::kSuccess;
}

Win32Error SimIpHelper::DeleteForwardEntry(const IpForwardRow& row) {
    if (auto fault = m_faults.Check("DeleteIpForwardEntry", row.dwForwardDest.ToString())) return *fault;
    for (auto it = m_machine.routes.begin(); it != m_machine.routes.end(); ++it) {
        if (it->dest == row.dwForwardDest && it->mask == row.dwForwardMask && it->nextHop == row.dwForwardNextHop &&
            it->ifIndex == row.dwForwardIfIndex) {
            NoteRoute(m_machine, '-', *it, "IP Helper");
            m_machine.routes.erase(it);
            return err::kSuccess;
        }
    }
    return kNotFound;
}

Win32Error SimIpHelper::CreateForwardEntry(const IpForwardRow& row) {
    if (auto fault = m_faults.Check("CreateIpForwardEntry", row.dwForwardDest.ToString())) return *fault;
    RouteRow r{row.dwForwardDest, row.dwForwardMask, row.dwForwardNextHop, row.dwForwardIfIndex, row.dwForwardMetric1,
               row.dwForwardType, row.dwForwardProto};
    if (std::find(m_machine.routes.begin(), m_machine.routes.end(), r) != m_machine.routes.end())
        return err::kAlreadyExists;
    const bool interfaceExists = std::any_of(m_machine.adapters.begin(), m_machine.adapters.end(),
                                             [&](const SimAdapter& a) { return a.info.Index == row.dwForwardIfIndex; });
    if (!interfaceExists) return err::kInvalidParameter;
    m_machine.routes.push_back(r);
    NoteRoute(m_machine, '+', r, "IP Helper");
    return err::kSuccess;
}

}  // namespace zelta::sim
