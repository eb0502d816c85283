// RouteSnapshot: the dialer's copy of the IPv4 forwarding table, by interface, that lets the
// interface watch take the wireless adapters' routes out of the table while a cable is plugged in
// and put every one of them back afterwards. Host routes and 224.0.0.0 are recorded but never
// touched.
#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/ip_helper.h"

namespace zelta {

// The rows the forwarding-table reads have room for.
inline constexpr std::size_t kRouteTableCapacity = 10240;

struct RouteEntry {
    IpForwardRow row;      // as first read
    bool present = true;   // false once this program deleted it from the table
};

class RouteSnapshot {
public:
    // `scanCounter` is the interface watch's, printed at the head of the withdrawal lines.
    RouteSnapshot(DialerSettings& settings, Log& log, const std::uint32_t& scanCounter)
        : m_settings(settings), m_log(log), m_scan(scanCounter) {}

    // Reads the table and adds its rows: a row seen before (same interface, destination and mask)
    // is only marked present again. 0, or -1 when the table cannot be read.
    int TakeRouteSnapshot();
    // Deletes the interface's present, withdrawable routes from the table. -1 when the snapshot
    // has nothing for the interface.
    int WithdrawInterfaceRoutes(std::uint32_t ifIndex);
    // Re-creates every restorable route of the interface, present or not; a default route that
    // cannot be re-created is tried once more with the route program. -1 as above.
    int RestoreInterfaceRoutes(std::uint32_t ifIndex);
    void Clear() { m_interfaces.clear(); }

    // Whether the live table has a real route on the interface: not a host route, not loopback
    // (127/8) and not multicast (224/8). False when the table cannot be read.
    bool isDevInRoutes(std::uint32_t ifIndex);

    // What the snapshot holds for an interface, in the order entries were added (empty if none).
    const std::vector<RouteEntry>& EntriesOf(std::uint32_t ifIndex) const;

private:
    struct InterfaceRoutes {
        std::vector<RouteEntry> entries;                   // insertion order, for the walks
        std::unordered_map<std::uint64_t, std::size_t> byKey;  // destination and mask -> entry
    };

    DialerSettings& m_settings;
    Log& m_log;
    const std::uint32_t& m_scan;
    std::map<std::uint32_t, InterfaceRoutes> m_interfaces;  // by interface index, ascending
    std::vector<IpForwardRow> m_table;                       // the read buffer, kept between reads
};

// The row in three log lines at `level`.
void DumpRouteRow(Log& log, std::uint32_t level, const IpForwardRow& row);

}  // namespace zelta
