// The interface watch's scan, its two branches (a wired adapter up, or none), and the device records.
#include "routing/interface_watch.h"

#include <algorithm>
#include <array>

#include "platform/text.h"
#include "routing/switch_discovery.h"

namespace zelta {
namespace {

constexpr std::uint32_t kEthernet = 6;     // MIB_IF_TYPE_ETHERNET
constexpr std::uint32_t kOperational = 5;  // MIB_IF_OPER_STATUS_OPERATIONAL
constexpr std::size_t kAdapterNameCapacity = 64;

SpeedClass ClassOf(std::uint32_t bitsPerSecond) {
    switch (bitsPerSecond) {
        case 10000000: case 20000000: case 100000000: case 200000000: case 1000000000: case 2000000000:
            return SpeedClass::Wired;
        case 11000000: case 22000000: case 54000000: case 108000000:
            return SpeedClass::Wireless;
        default:
            return SpeedClass::Unknown;
    }
}

}  // namespace

bool IsExcludedAdapter(const InterfaceRow& row) {
    static constexpr std::array<std::array<std::uint8_t, 3>, 3> kVirtualMachineVendors = {
        {{0x00, 0x0C, 0x29}, {0x00, 0x05, 0x69}, {0x00, 0x50, 0x56}}};
    if (row.dwPhysAddrLen >= 3) {
        for (const auto& vendor : kVirtualMachineVendors)
            if (std::equal(vendor.begin(), vendor.end(), row.bPhysAddr.begin())) return true;
    }
    constexpr std::string_view kEnternet = "Efficient Networks Enternet";
    return EqualsNoCase(row.bDescr, "NOC Extranet Access Adapter") ||
           (row.bDescr.size() >= kEnternet.size() && EqualsNoCase(std::string_view(row.bDescr).substr(0, kEnternet.size()), kEnternet));
}

void DumpInterfaceRow(Log& log, const InterfaceRow& row) {
    const auto& a = row.bPhysAddr;
    const std::uint32_t low = a[0] | (a[1] << 8) | (a[2] << 16) | (static_cast<std::uint32_t>(a[3]) << 24);
    const std::uint32_t high = a[4] | (a[5] << 8);
    log.LogMessage(log_level::kRoutes, "Desc=%s\n", LogSafe(row.bDescr).c_str());
    log.LogMessage(log_level::kRoutes, "i=0x%x,t=%d,mtu=%d,speed=%d,addr=0x%08x0x%02x\n", row.dwIndex,
                   static_cast<int>(row.dwType), static_cast<int>(row.dwMtu), static_cast<int>(row.dwSpeed), low, high);
    log.LogMessage(log_level::kRoutes, "admin=%d,oper=%d,lastchange=0x%x\n", static_cast<int>(row.dwAdminStatus),
                   static_cast<int>(row.dwOperStatus), row.dwLastChange);
    log.LogMessage(log_level::kRoutes,
                   "in=%d,inu=%d,inNU=%d,inD=%d,inE=%d,inUnk=%d,oout=%d,outU=%d,outNU=%d,outD=%d,outE=%d,outQ=%d\n",
                   static_cast<int>(row.dwInOctets), static_cast<int>(row.dwInUcastPkts),
                   static_cast<int>(row.dwInNUcastPkts), static_cast<int>(row.dwInDiscards),
                   static_cast<int>(row.dwInErrors), static_cast<int>(row.dwInUnknownProtos),
                   static_cast<int>(row.dwOutOctets), static_cast<int>(row.dwOutUcastPkts),
                   static_cast<int>(row.dwOutNUcastPkts), static_cast<int>(row.dwOutDiscards),
                   static_cast<int>(row.dwOutErrors), static_cast<int>(row.dwOutQLen));
}

void WirelessRouteWatch::InterfaceWatch(RasConnectionHandle tunnel) {
    const int scan = static_cast<int>(++m_scan);
    IpHelper& ipHelper = m_settings.platform().ipHelper;
    std::uint32_t needed = 0;
    const Win32Error sized = ipHelper.InterfaceTableSize(needed);
    const std::uint32_t count = needed > kInterfaceTableHeaderBytes ? (needed - kInterfaceTableHeaderBytes) / kInterfaceRowBytes : 0;
    m_log.LogMessage(log_level::kRoutes, "%d: GetIfTable returned cnt=%d(%d)\n", scan, static_cast<int>(needed),
                     static_cast<int>(count));
    // A size that could not be learnt would read as no interfaces at all, and a look that sees none
    // forgets every wireless adapter with the routes it withdrew. Like a failed read, and like more
    // interfaces than the table holds, it changes nothing.
    if (sized != err::kSuccess) return;
    if (ipHelper.InterfaceTable(kInterfaceTableCapacity, m_table) != err::kSuccess) return;

    int wired = 0;
    // From 6.0 on, what a driver says it is decides, never its link speed (native Wi-Fi reports any).
    const bool vista = RoadFor(m_settings.osVersion) == WindowsRoad::Vista;
    std::optional<std::vector<AdapterInfo>> adapters;  // read once a scan, if an Ethernet row needs it
    m_log.LogMessage(log_level::kRoutes, "%d: GetIfTable succeeded, total=%d\n", scan, static_cast<int>(count));
    const std::size_t rows = std::min<std::size_t>(count, m_table.size());
    for (std::size_t i = 0; i < rows && m_table[i].dwIndex != 0; ++i) {
        const InterfaceRow& row = m_table[i];
        const auto& mac = row.bPhysAddr;
        m_log.LogMessage(log_level::kRoutes, "%d: Found dev=%s status=%d, maclen=%d, MAC=%02x.%02x.%02x.%02x.%02X.%02X\n",
                         scan, LogSafe(row.bDescr).c_str(), static_cast<int>(row.dwOperStatus), static_cast<int>(row.dwPhysAddrLen),
                         mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
        const bool nativeWireless = vista && row.dwType == kIfTypeIeee80211;
        if (row.dwType != kEthernet && !nativeWireless) {
            m_log.LogMessage(log_level::kRoutes, "not ethernet...type=%d\n", static_cast<int>(row.dwType));
            continue;
        }
        m_log.LogMessage(log_level::kRoutes, nativeWireless ? "802.11\n" : "ethernet\n");
        if (const auto known = m_devices.find(row.dwIndex); known != m_devices.end()) {
            known->second.lastSeen = m_scan;
            continue;
        }
        switch (vista ? ClassOnVista(row, nativeWireless, adapters) : ClassOf(row.dwSpeed)) {
            case SpeedClass::Wired: if (IsWired(row)) ++wired; break;
            case SpeedClass::Wireless: AddWirelessDevice(row.dwIndex, row, m_scan); break;
            case SpeedClass::Unknown: m_log.LogMessage(log_level::kRoutes, "Skipping unknown device=%s\n", LogSafe(row.bDescr).c_str()); break;
        }
    }

    if (wired >= 1) {
        WithdrawWireless(wired, tunnel);
    } else {
        RestoreWireless(tunnel);
    }
    m_log.LogMessage(log_level::kRoutes, "%d: done with GetIfTable\n", scan);
}

// On 6.0 and later: a native 802.11 row is wireless; an Ethernet row is wireless when its driver
// answers the 802.11 queries (an older Wi-Fi driver), wired otherwise.
SpeedClass WirelessRouteWatch::ClassOnVista(const InterfaceRow& row, bool nativeWireless,
                                             std::optional<std::vector<AdapterInfo>>& adapters) {
    if (nativeWireless) return SpeedClass::Wireless;
    if (!adapters) {
        adapters.emplace();
        if (m_settings.platform().ipHelper.AdaptersInfo(*adapters) != err::kSuccess) adapters->clear();
    }
    for (const AdapterInfo& adapter : *adapters)
        if (adapter.Index == row.dwIndex)
            return Supports80211(m_settings.platform().deviceIo, m_log, adapter.AdapterName) ? SpeedClass::Wireless
                                                                                   : SpeedClass::Wired;
    return SpeedClass::Wired;
}

// A wired-speed adapter counts when it is up, or when it says it is down but still carries a real
// route; never when it is excluded.
bool WirelessRouteWatch::IsWired(const InterfaceRow& row) {
    if (IsExcludedAdapter(row)) return false;
    if (row.dwOperStatus == kOperational) return true;
    if (!m_snapshot.isDevInRoutes(row.dwIndex)) return false;
    m_log.LogMessage(log_level::kRoutes, "%d: Dev %s not operational but in routes", static_cast<int>(m_scan), LogSafe(row.bDescr).c_str());
    return true;
}

std::optional<std::string> WirelessRouteWatch::TunnelClient(RasConnectionHandle tunnel) {
    std::string client, server;
    if (m_settings.platform().remoteAccess.GetIpProjection(tunnel, client, server) != err::kSuccess) return std::nullopt;
    return client;
}

void WirelessRouteWatch::WithdrawWireless(int wiredCount, RasConnectionHandle tunnel) {
    const int scan = static_cast<int>(m_scan);
    m_log.LogMessage(log_level::kRoutes, "%d: Wired found=%d\n", scan, wiredCount);
    bool snapshotTaken = false;
    bool withdrew = false;
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        DeviceRecord& record = it->second;
        if (record.lastSeen != m_scan) {
            it = record.routesWithdrawn ? std::next(it) : m_devices.erase(it);
            continue;
        }
        ++it;
        if (!record.wireless) continue;
        if (!snapshotTaken) {
            if (m_snapshot.TakeRouteSnapshot() != 0) break;
            snapshotTaken = true;
        }
        record.routesWithdrawn = true;
        m_snapshot.WithdrawInterfaceRoutes(record.index);
        withdrew = true;
    }
    if (const auto client = withdrew ? TunnelClient(tunnel) : std::nullopt) {
        m_log.LogMessage(log_level::kMain, "Delete default route to %s\n", client->c_str());
        DeleteDefaultRoute(m_settings, *client);
    }
    m_wiredPresent = true;
}

void WirelessRouteWatch::RestoreWireless(RasConnectionHandle tunnel) {
    const int scan = static_cast<int>(m_scan);
    m_log.LogMessage(log_level::kRoutes, "%d: No wired devices found\n", scan);
    bool restored = false;
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        DeviceRecord& record = it->second;
        if (record.lastSeen != m_scan) {
            // Gone from the table: its driver restarted, or it came back under another index.
            if (IsDuplicateDevice(record)) {
                m_log.LogMessage(log_level::kRoutes, "%d: duplicate...not restarting\n", scan);
            } else {
                m_log.LogMessage(log_level::kMain, "Restarting wireless driver dev=%s\n", LogSafe(record.row.bDescr).c_str());
            }
            it = m_devices.erase(it);
            continue;
        }
        ++it;
        if (!record.wireless || !record.routesWithdrawn) continue;
        record.row.dwAdminStatus = 1;
        m_log.LogMessage(log_level::kMain, "Enabling wireless dev=%s\n", LogSafe(record.row.bDescr).c_str());
        DumpInterfaceRow(m_log, record.row);
        record.routesWithdrawn = false;
        m_log.LogMessage(log_level::kRoutes, "Restoring routes...\n");
        m_snapshot.RestoreInterfaceRoutes(record.index);
        restored = true;
    }
    if (const auto client = restored ? TunnelClient(tunnel) : std::nullopt) {
        m_log.LogMessage(log_level::kMain, "Add default route to %s\n", client->c_str());
        AddDefaultRoute(m_settings, *client);
    }
    m_snapshot.Clear();
    m_wiredPresent = false;
}

void WirelessRouteWatch::RestoreAllWithdrawnRoutes() {
    for (const auto& [index, record] : m_devices)
        if (record.wireless && record.routesWithdrawn) m_snapshot.RestoreInterfaceRoutes(index);
}

void WirelessRouteWatch::AddWirelessDevice(std::uint32_t index, const InterfaceRow& row, std::uint32_t scan) {
    if (m_devices.contains(index)) return;
    DeviceRecord record;
    record.index = index;
    record.wireless = true;
    record.row = row;
    record.lastSeen = scan;
    FindAdapterName(record);
    m_devices.emplace(index, std::move(record));
}

void WirelessRouteWatch::FindAdapterName(DeviceRecord& record) {
    std::vector<AdapterInfo> adapters;
    if (m_settings.platform().ipHelper.AdaptersInfo(adapters) != err::kSuccess) return;
    for (const AdapterInfo& adapter : adapters) {
        if (adapter.Index == 0 || adapter.Description != record.row.bDescr) continue;
        record.adapterName = adapter.AdapterName.substr(0, kAdapterNameCapacity - 1);
        m_log.LogMessage(log_level::kRoutes, "%d: Found desc=%s, adaptername=%s\n", static_cast<int>(m_scan),
                         LogSafe(adapter.Description).c_str(), LogSafe(record.adapterName).c_str());
        return;
    }
}

bool WirelessRouteWatch::IsDuplicateDevice(const DeviceRecord& record) const {
    return std::any_of(m_devices.begin(), m_devices.end(), [&](const auto& entry) {
        return entry.second.row.dwIndex != record.row.dwIndex && entry.second.row.bDescr == record.row.bDescr;
    });
}

}  // namespace zelta
