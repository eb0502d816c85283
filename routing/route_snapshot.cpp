// Taking, withdrawing and restoring the snapshot's routes through the IP Helper calls.
#include "routing/route_snapshot.h"

#include <cstdio>

#include "common/run_process.h"

namespace zelta {
namespace {

constexpr std::uint32_t kHostMask = 0xFFFFFFFFu;

std::uint64_t KeyOf(const IpForwardRow& row) {
    return (std::uint64_t{row.dwForwardDest.NetworkOrderValue()} << 32) | row.dwForwardMask.NetworkOrderValue();
}

// Host routes and the multicast route are the IP stack's own: never deleted, never re-created.
bool IsWithdrawable(const IpForwardRow& row) {
    return row.dwForwardMask.NetworkOrderValue() != kHostMask && row.dwForwardDest != Ipv4{{224, 0, 0, 0}};
}

}  // namespace

const std::vector<RouteEntry>& RouteSnapshot::EntriesOf(std::uint32_t ifIndex) const {
    static const std::vector<RouteEntry> kNone;
    const auto it = m_interfaces.find(ifIndex);
    return it == m_interfaces.end() ? kNone : it->second.entries;
}

int RouteSnapshot::TakeRouteSnapshot() {
    if (m_settings.platform().ipHelper.ForwardTable(kRouteTableCapacity, m_table) != err::kSuccess) return -1;
    for (const IpForwardRow& row : m_table) {
        if (row.dwForwardIfIndex == 0) break;
        InterfaceRoutes& routes = m_interfaces[row.dwForwardIfIndex];
        DumpRouteRow(m_log, log_level::kRoutes, row);
        const auto [it, added] = routes.byKey.try_emplace(KeyOf(row), routes.entries.size());
        if (added) {
            routes.entries.push_back(RouteEntry{row, true});
        } else {
            routes.entries[it->second].present = true;  // the first row read stays
        }
    }
    return 0;
}

int RouteSnapshot::WithdrawInterfaceRoutes(std::uint32_t ifIndex) {
    const auto found = m_interfaces.find(ifIndex);
    if (found == m_interfaces.end()) return -1;
    const int scan = static_cast<int>(m_scan);
    for (RouteEntry& entry : found->second.entries) {
        if (!entry.present || !IsWithdrawable(entry.row)) continue;
        const IpForwardRow& row = entry.row;
        m_log.LogMessage(log_level::kMain, "%d: Deleting route 0x%08x 0x%08x index=0x%x\n", scan,
                         row.dwForwardDest.NetworkOrderValue(), row.dwForwardMask.NetworkOrderValue(), row.dwForwardIfIndex);
        const Win32Error rc = m_settings.platform().ipHelper.DeleteForwardEntry(row);
        if (rc == err::kSuccess) {
            entry.present = false;
            m_log.LogMessage(log_level::kMain, "%d: Deleted route\n", scan);
            if (row.dwForwardMask.NetworkOrderValue() == 0) DumpRouteRow(m_log, log_level::kMain, row);
        } else {
            m_log.LogMessage(log_level::kMain, "%d: Failed to delete route, %d\n", scan, static_cast<int>(rc));
            m_log.LogSystemError(rc);
            DumpRouteRow(m_log, log_level::kMain, row);
        }
    }
    m_log.LogMessage(log_level::kRoutes, "%d: Done deleting routes\n", scan);
    return 0;
}

int RouteSnapshot::RestoreInterfaceRoutes(std::uint32_t ifIndex) {
    const auto found = m_interfaces.find(ifIndex);
    if (found == m_interfaces.end()) return -1;
    const IpForwardRow* fallback = nullptr;
    for (RouteEntry& entry : found->second.entries) {
        if (!IsWithdrawable(entry.row)) continue;
        const IpForwardRow& row = entry.row;
        m_log.LogMessage(log_level::kMain, "Restoring route 0x%08x 0x%08x index=0x%x\n",
                         row.dwForwardDest.NetworkOrderValue(), row.dwForwardMask.NetworkOrderValue(), row.dwForwardIfIndex);
        const Win32Error rc = m_settings.platform().ipHelper.CreateForwardEntry(row);
        if (rc != err::kSuccess) {
            m_log.LogMessage(log_level::kMain, "Failed to restore route, ret=%d\n", static_cast<int>(rc));
            DumpRouteRow(m_log, log_level::kMain, row);
            m_log.LogSystemError(rc);
            if (row.dwForwardDest.NetworkOrderValue() == 0 && row.dwForwardNextHop.NetworkOrderValue() != 0) fallback = &row;
        }
        entry.present = true;
    }
    if (fallback) {
        m_log.LogMessage(log_level::kMain, "Trying default route through cmd prompt\n");
        const auto& d = fallback->dwForwardDest.octets;
        const auto& m = fallback->dwForwardMask.octets;
        const auto& h = fallback->dwForwardNextHop.octets;
        char command[128];
        std::snprintf(command, sizeof command, "add %d.%d.%d.%d MASK %d.%d.%d.%d %d.%d.%d.%d", d[0], d[1], d[2], d[3],
                      m[0], m[1], m[2], m[3], h[0], h[1], h[2], h[3]);
        m_log.LogMessage(log_level::kMain, "CMD: %s\n", command);
        RunProcess(m_settings.platform().processes, m_settings.platform().system, m_log, "route", command);
    }
    return 0;
}

bool RouteSnapshot::isDevInRoutes(std::uint32_t ifIndex) {
    if (m_settings.platform().ipHelper.ForwardTable(kRouteTableCapacity, m_table) != err::kSuccess) return false;
    for (const IpForwardRow& row : m_table) {
        if (row.dwForwardIfIndex == 0) break;
        if (row.dwForwardIfIndex != ifIndex || row.dwForwardMask.NetworkOrderValue() == kHostMask) continue;
        const std::uint8_t first = row.dwForwardDest.octets[0];
        if (first == 127 || first == 224) continue;
        m_log.LogMessage(log_level::kRoutes, "isDevInRoutes found index=%d, ip=0x%08x, mask=0x%08x\n", static_cast<int>(ifIndex),
                       row.dwForwardDest.NetworkOrderValue(), row.dwForwardMask.NetworkOrderValue());
        return true;
    }
    return false;
}

void DumpRouteRow(Log& log, std::uint32_t level, const IpForwardRow& row) {
    log.LogMessage(level, "dest=0x%08x, mask=0x%08x, policy=0x%08x, nextH=0x%x\n", row.dwForwardDest.NetworkOrderValue(),
                   row.dwForwardMask.NetworkOrderValue(), row.dwForwardPolicy, row.dwForwardNextHop.NetworkOrderValue());
    log.LogMessage(level, "  index=0x%x, type=0x%x, proto=0x%x, age=0x%x\n", row.dwForwardIfIndex, row.dwForwardType,
                   row.dwForwardProto, row.dwForwardAge);
    log.LogMessage(level, "  nextHS=0x%x, m1=0x%x, m2=0x%x, m3=0x%x, m4=0x%x, m5=0x%x\n", row.dwForwardNextHopAS,
                   row.dwForwardMetric1, row.dwForwardMetric2, row.dwForwardMetric3, row.dwForwardMetric4,
                   row.dwForwardMetric5);
}

}  // namespace zelta
