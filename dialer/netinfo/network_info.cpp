// The Network Info report.
#include "dialer/netinfo/network_info.h"
#include "platform/little_endian.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "routing/switch_discovery.h"

namespace zelta {
namespace {

constexpr std::size_t kBufferBytes = 8192;


// NDIS_WLAN_BSSID: the offsets of the fields the table shows, and the least a whole entry holds.
constexpr std::size_t kEntryMac = 4;
constexpr std::size_t kEntrySsid = 16;
constexpr std::size_t kEntryPrivacy = 48;
constexpr std::size_t kEntryRssi = 52;
constexpr std::size_t kEntryDsConfig = 72;
constexpr std::size_t kEntryMinimum = 76;

template <typename... Args>
void Append(std::string& text, const char* format, Args... args) {
    char line[512];
    const int length = std::snprintf(line, sizeof line, format, args...);
    if (length > 0) text.append(line, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof line - 1));
}

std::string Mac(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::string text;
    Append(text, "%02X:%02X:%02X:%02X:%02X:%02X", b[at], b[at + 1], b[at + 2], b[at + 3], b[at + 4], b[at + 5]);
    return text;
}

std::array<std::uint8_t, 32> SsidBytes(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::array<std::uint8_t, 32> bytes{};
    for (std::size_t i = 0; i < 32 && at + i < b.size(); ++i) bytes[i] = b[at + i];
    return bytes;
}

// One wireless OID's line, when the driver's answer is long enough to read it.
void AppendWirelessLine(std::string& text, std::uint32_t id, const std::vector<std::uint8_t>& v) {
    switch (id) {
        case ndis_oid::kBssid:
            if (v.size() >= 6) text += "  BSSID:\t\t\t " + Mac(v, 0) + "\r\n";
            break;
        case ndis_oid::kSsid:
            if (v.size() >= 4) text += "  SSID:\t\t\t " + CleanSsid(SsidBytes(v, 4)) + "\r\n";
            break;
        case ndis_oid::kAuthenticationMode:
            if (v.size() >= 4) {
                const std::uint32_t mode = ReadLe32(v, 0);
                text += "  AUTHMODE: \t\t";
                text += mode == 0 ? "Open\r\n" : mode == 1 ? "Shared\r\n" : mode == 2 ? "AutoSwitch\r\n"
                                            : mode == 6 ? "Max\r\n" : "Unknown\r\n";
            }
            break;
        case ndis_oid::kWepStatus:
            if (v.size() >= 4) {
                static const char* const kStates[] = {"Enabled\r\n", "Disabled\r\n", "Enabled But Key Absent\r\n",
                                                      "Not Supported\r\n"};
                const std::uint32_t state = ReadLe32(v, 0);
                text += "  WEP:\t\t\t ";
                if (state <= 3) {
                    text += kStates[state];
                } else {
                    Append(text, "Unknown (%u)\r\n", state);  // newer encryption states: the number helps a report
                }
            }
            break;
        case ndis_oid::kRssi:
            if (v.size() >= 4) Append(text, "  RSSI: \t\t\t%d\r\n", static_cast<int>(ReadLe32(v, 0)));
            break;
        case ndis_oid::kConfiguration:
            if (v.size() >= 16)
                Append(text, "  BeaconPeriod: \t\t%u\r\n  Channel: \t\t%d\r\n", ReadLe32(v, 4),
                       static_cast<int>(FrequencyToChannel(ReadLe32(v, 12))));
            break;
        default:
            break;
    }
}

// The access-point table. The list comes from a driver and from the air: every entry must lie whole
// within the bytes returned, and a zero length ends the walk.
void AppendAccessPoints(std::string& text, const std::vector<std::uint8_t>& list) {
    if (list.size() < 4) return;
    const std::uint32_t count = ReadLe32(list, 0);
    Append(text, "Scanned Access Points (%d):", static_cast<int>(count));
    text += "\tBSSID\t\tPrivacy\tRSSI\tChannel\tSSID\r\n";
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 4 > list.size()) break;
        const std::uint32_t length = ReadLe32(list, at);
        if (length < kEntryMinimum || length > list.size() - at) break;
        text += "    \t\t\t";
        Append(text, "%s\t   %u\t%d\t%d\t%s", Mac(list, at + kEntryMac).c_str(), ReadLe32(list, at + kEntryPrivacy),
               static_cast<int>(ReadLe32(list, at + kEntryRssi)),
               static_cast<int>(FrequencyToChannel(ReadLe32(list, at + kEntryDsConfig))),
               CleanSsid(SsidBytes(list, at + kEntrySsid)).c_str());
        text += "\r\n";
        at += length;
    }
}

// A native Wi-Fi adapter's lines, from the Wireless LAN API, in the NDIS lines' formats: only those
// the API answered.
void AppendNativeWirelessLines(std::string& text, const WlanLink& link, const std::vector<WlanBss>& scan) {
    const std::vector<std::uint8_t> bssid(link.bssid.begin(), link.bssid.end());
    text += "  BSSID:\t\t\t " + Mac(bssid, 0) + "\r\n";
    text += "  SSID:\t\t\t " + CleanSsid(link.ssid) + "\r\n";
    static const char* const kAlgorithms[] = {"Unknown", "Open", "Shared", "WPA", "WPA-PSK", "Unknown", "WPA2", "WPA2-PSK"};
    text += "  AUTHMODE: \t\t";
    text += link.authAlgorithm < std::size(kAlgorithms) ? kAlgorithms[link.authAlgorithm] : "Unknown";
    text += "\r\n";
    if (link.rssi) Append(text, "  RSSI: \t\t\t%d\r\n", static_cast<int>(*link.rssi));
    for (const WlanBss& bss : scan)
        if (bss.bssid == link.bssid) Append(text, "  BeaconPeriod: \t\t%u\r\n", bss.beaconPeriod);
    if (link.channel) Append(text, "  Channel: \t\t%d\r\n", static_cast<int>(*link.channel));
    if (link.rxRateKbps || link.txRateKbps)
        Append(text, "  Rates: \t\t\t%u/%u Mbit/s\r\n", link.rxRateKbps / 1000, link.txRateKbps / 1000);
}

// The access-point table from the Wireless LAN API's last scan, as the NDIS list's.
void AppendScannedAccessPoints(std::string& text, const std::vector<WlanBss>& scan) {
    Append(text, "Scanned Access Points (%d):", static_cast<int>(scan.size()));
    text += "\tBSSID\t\tPrivacy\tRSSI\tChannel\tSSID\r\n";
    for (const WlanBss& bss : scan) {
        const std::vector<std::uint8_t> mac(bss.bssid.begin(), bss.bssid.end());
        text += "    \t\t\t";
        Append(text, "%s\t   %u\t%d\t%d\t%s", Mac(mac, 0).c_str(), bss.privacy ? 1u : 0u, static_cast<int>(bss.rssi),
               static_cast<int>(FrequencyToChannel(bss.frequencyKhz)), CleanSsid(bss.ssid).c_str());
        text += "\r\n";
    }
}

// The connection's block: the tunnel's two ends and what has gone through it, in the adapters' style.
void AppendConnection(std::string& text, RemoteAccess& ras, RasConnectionHandle connection) {
    RasStatistics stats;
    if (ras.ConnectionStatistics(connection, stats) != err::kSuccess) return;
    text += "Zelta VPN:\r\n";
    const std::uint32_t seconds = stats.connectDurationMs / 1000;
    Append(text, "  Duration:\t\t %u:%02u:%02u\r\n", seconds / 3600, seconds / 60 % 60, seconds % 60);
    std::string client, server;
    if (ras.GetIpProjection(connection, client, server) == err::kSuccess) {
        text += "  Client IP Address:\t\t " + LogSafe(client) + "\r\n";
        text += "  Server IP Address:\t\t " + LogSafe(server) + "\r\n";
    }
    Append(text, "  Bytes Sent:\t\t %u\r\n  Bytes Received:\t\t %u\r\n", stats.bytesSent, stats.bytesReceived);
    Append(text, "  Frames Sent:\t\t %u\r\n  Frames Received:\t\t %u\r\n", stats.framesSent, stats.framesReceived);
    Append(text, "  Compression In:\t\t %u%%\r\n  Compression Out:\t\t %u%%\r\n", stats.compressionRatioIn,
           stats.compressionRatioOut);
    Append(text, "  Errors:\t\t %u\r\n\r\n", stats.Errors());
}

}  // namespace

std::uint32_t FrequencyToChannel(std::uint32_t kHz) {
    if (kHz > 5000000) return (kHz - 5000000) / 5000;
    if (kHz == 2484000) return 14;
    return (kHz - 2407000) / 5000;
}

namespace {

// isalnum, a blank, or ispunct, as the C locale has them: printable ASCII.
bool Printable(std::uint8_t b) { return b >= 0x20 && b <= 0x7E; }

}  // namespace

std::string CleanSsid(std::array<std::uint8_t, 32> bytes) {
    bytes[15] = 0;
    for (auto& b : bytes) {
        if (Printable(b)) continue;
        b = 0;
        break;
    }
    std::string text;
    for (std::uint8_t b : bytes) {
        if (b == 0) break;
        text += static_cast<char>(b);
    }
    return text;
}

namespace {

// The adapter's addresses, in ipconfig's manner.
void AppendAddresses(std::string& text, const AdapterInfo& a) {
    Append(text, "%s:\r\n", a.Description.c_str());
    std::vector<std::uint8_t> mac = a.Address;
    mac.resize(std::max<std::size_t>(mac.size(), 6));
    text += "  Physical Address:\t\t " + Mac(mac, 0) + "\r\n";
    Append(text, "  DHCP Enabled:\t\t %s\r\n", a.DhcpEnabled ? "YES" : "NO");
    for (const AdapterAddress& address : a.IpAddressList) {
        text += "  IP Address:\t\t " + address.IpAddress + "\r\n";
        text += "  Subnet Mask:\t\t " + address.IpMask + "\r\n";
    }
    text += "  Default Gateway:\t\t " + (a.GatewayList.empty() ? std::string() : a.GatewayList.front().IpAddress) + "\r\n";
}

// The 802.11 lines the adapter's driver answers. An adapter that can list the access points it
// scanned becomes `scanAdapter`.
void AppendDriverWirelessLines(std::string& text, DeviceIo& devices, Log& log, const AdapterInfo& a,
                               std::optional<std::string>& scanAdapter) {
    std::vector<std::uint8_t> supported;
    if (QueryNdisOid(devices, log, a.AdapterName, ndis_oid::kGenSupportedList, kBufferBytes, supported) != 0) return;
    for (std::size_t i = 0; i + 4 <= supported.size(); i += 4) {
        const std::uint32_t id = ReadLe32(supported, i);
        if (id == ndis_oid::kBssidList) {
            scanAdapter = a.AdapterName;
            continue;
        }
        const bool known = id == ndis_oid::kBssid || id == ndis_oid::kSsid || id == ndis_oid::kAuthenticationMode ||
                           id == ndis_oid::kBssidListScan || id == ndis_oid::kWepStatus || id == ndis_oid::kRssi ||
                           id == ndis_oid::kConfiguration;
        if (!known) continue;
        std::vector<std::uint8_t> value;
        if (QueryNdisOid(devices, log, a.AdapterName, id, kBufferBytes, value) == 0) AppendWirelessLine(text, id, value);
    }
}

void AppendDnsServers(std::string& text, IpHelper& ipHelper) {
    std::vector<std::string> dns;
    if (ipHelper.NetworkParams(dns) != err::kSuccess) return;
    text += "DNS Servers:\t\t ";
    for (std::size_t i = 0; i < dns.size(); ++i) text += (i ? ", " : "") + dns[i];
    text += "\r\n\r\n";
}

}  // namespace

std::optional<std::string> NetworkInfoReport(Platform& platform, Log& log, std::optional<RasConnectionHandle> connection) {
    std::vector<AdapterInfo> adapters;
    if (platform.ipHelper.AdaptersInfo(adapters) != err::kSuccess) return std::nullopt;
    std::string text;
    std::optional<std::string> scanAdapter;
    std::optional<std::vector<WlanBss>> nativeScan;
    OsVersion version;
    const bool vista = platform.system.QueryOsVersion(version) == err::kSuccess && RoadFor(version) == WindowsRoad::Vista;
    for (const AdapterInfo& a : adapters) {
        AppendAddresses(text, a);
        AppendDriverWirelessLines(text, platform.deviceIo, log, a, scanAdapter);
        // A native Wi-Fi adapter (Vista and later) answers no 802.11 query: the Wireless LAN API does.
        WlanLink link;
        if (vista && a.Type == kIfTypeIeee80211 && platform.wlan.CurrentLink(a.AdapterName, link) == err::kSuccess) {
            std::vector<WlanBss> scan;
            if (platform.wlan.BssList(a.AdapterName, scan) != err::kSuccess) scan.clear();
            AppendNativeWirelessLines(text, link, scan);
            if (!nativeScan && !scan.empty()) nativeScan = std::move(scan);
        }
        text += "\r\n";
    }

    if (connection) AppendConnection(text, platform.remoteAccess, *connection);
    AppendDnsServers(text, platform.ipHelper);

    if (scanAdapter) {
        std::vector<std::uint8_t> list;
        if (QueryNdisOid(platform.deviceIo, log, *scanAdapter, ndis_oid::kBssidList, kBufferBytes, list) == 0)
            AppendAccessPoints(text, list);
    } else if (nativeScan) {
        AppendScannedAccessPoints(text, *nativeScan);
    }
    return text;
}

}  // namespace zelta
