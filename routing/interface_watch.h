// WirelessRouteWatch: every 5 seconds the dialer looks at the interface table. While a wired
// Ethernet adapter is up, the routes of every wireless adapter are taken out of the forwarding table
// (and the default route through the tunnel with them); when no wired adapter is left they are put
// back, and the tunnel's default route is moved off and back with them. Adapters are told apart by
// link speed; virtual-machine and dial-up bridge adapters never count as wired.
#pragma once

#include <optional>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/ip_helper.h"
#include "platform/remote_access.h"
#include "routing/route_commands.h"
#include "routing/route_snapshot.h"

namespace zelta {

// The interface-table rows a scan reads at most.
inline constexpr std::size_t kInterfaceTableCapacity = 128;

// One wireless adapter the watch has seen.
struct DeviceRecord {
    std::uint32_t index = 0;
    bool wireless = false;
    bool routesWithdrawn = false;
    std::uint32_t lastSeen = 0;  // the scan that last listed it
    InterfaceRow row;            // as it was when first seen
    std::string adapterName;     // from the adapter list, for the log; at most 63 characters
};

// By interface index, ascending.
using DeviceMap = std::map<std::uint32_t, DeviceRecord>;

// What an interface row is, to the watch.
enum class SpeedClass { Wired, Wireless, Unknown };

class WirelessRouteWatch {
public:
    WirelessRouteWatch(DialerSettings& settings, Log& log) : m_settings(settings), m_log(log), m_snapshot(settings, log, m_scan) {}

    // One scan: the window timer's procedure. `tunnel` is the dial's connection (none when 0), whose
    // projected address the default route is moved for.
    void InterfaceWatch(RasConnectionHandle tunnel);
    // Whether the last scan counted a wired adapter: raised at the end of every scan that counts one,
    // lowered at the end of every scan that does not; a scan that could not read the table leaves it.
    bool wiredPresent() const { return m_wiredPresent; }
    // At program exit: puts back the routes still withdrawn, leaving the records as they are.
    void RestoreAllWithdrawnRoutes();

    const DeviceMap& devices() const { return m_devices; }
    const RouteSnapshot& snapshot() const { return m_snapshot; }
    std::uint32_t scanCounter() const { return m_scan; }

private:
    bool IsWired(const InterfaceRow& row);
    SpeedClass ClassOnVista(const InterfaceRow& row, bool nativeWireless, std::optional<std::vector<AdapterInfo>>& adapters);
    void AddWirelessDevice(std::uint32_t index, const InterfaceRow& row, std::uint32_t scan);
    void FindAdapterName(DeviceRecord& record);
    bool IsDuplicateDevice(const DeviceRecord& record) const;
    void WithdrawWireless(int wiredCount, RasConnectionHandle tunnel);
    void RestoreWireless(RasConnectionHandle tunnel);
    // The tunnel's client address, when the connection has an IP projection.
    std::optional<std::string> TunnelClient(RasConnectionHandle tunnel);

    DialerSettings& m_settings;
    Log& m_log;
    bool m_wiredPresent = false;
    std::uint32_t m_scan = 0;
    DeviceMap m_devices;
    RouteSnapshot m_snapshot;
    std::vector<InterfaceRow> m_table;  // the read buffer, kept between scans
};

// Virtual-machine adapters (00-0C-29, 00-05-69, 00-50-56) and two bridge adapters by description.
bool IsExcludedAdapter(const InterfaceRow& row);

// The row in four log lines at level 4.
void DumpInterfaceRow(Log& log, const InterfaceRow& row);

}  // namespace zelta
