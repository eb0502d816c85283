// Implements platform/ip_helper.h over the simulated machine's adapters and routes.
#include "platform/sim/ip_helper.h"

#include <bit>

namespace zelta::sim {
namespace {

constexpr Win32Error kNetworkUnreachable = 1231;  // ERROR_NETWORK_UNREACHABLE
constexpr Win32Error kNoData = 232;               // ERROR_NO_DATA: GetAdaptersInfo with no adapters

// The prefix length of a mask, counting its set bits.
int PrefixLength(Ipv4 mask) { return std::popcount(mask.NetworkOrderValue()); }

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
    for (const SimAdapter& adapter : m_machine.adapters) out.push_back(adapter.info);
    return err::kSuccess;
}

}  // namespace zelta::sim
