// WirelessLan: what the Wireless LAN API (wlanapi.dll, Windows Vista and later) tells of a native
// Wi-Fi adapter, whose driver answers none of the 802.11 NDIS queries. Implemented by
// platform/win32/wireless_lan.cpp and platform/sim/wireless_lan.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

// One access point the adapter's last scan saw (WLAN_BSS_ENTRY).
struct WlanBss {
    std::array<std::uint8_t, 6> bssid{};
    std::array<std::uint8_t, 32> ssid{};  // the raw bytes, zero-padded (an SSID need not be text)
    std::int32_t rssi = 0;                // dBm
    std::uint32_t frequencyKhz = 0;       // the channel's centre frequency
    std::uint32_t beaconPeriod = 0;       // in 1024-microsecond units
    bool privacy = false;                 // the capability's privacy bit
};

// The adapter's current association (WLAN_CONNECTION_ATTRIBUTES and the interface's RSSI and channel).
struct WlanLink {
    std::array<std::uint8_t, 32> ssid{};
    std::array<std::uint8_t, 6> bssid{};
    std::uint32_t authAlgorithm = 0;  // DOT11_AUTH_ALGORITHM: 1 open, 2 shared key, 3 WPA, 4 WPA-PSK, 6 RSNA, 7 RSNA-PSK
    std::uint32_t rxRateKbps = 0;
    std::uint32_t txRateKbps = 0;
    std::optional<std::int32_t> rssi;       // dBm, when the interface says
    std::optional<std::uint32_t> channel;   // when the interface says
};

class WirelessLan {
public:
    virtual ~WirelessLan() = default;

    // The association of the adapter `adapterName` ("{GUID}"). kNotFound (1168) when the API knows no
    // such interface or it is not connected; the API's own error otherwise (no such DLL before Vista).
    virtual Win32Error CurrentLink(std::string_view adapterName, WlanLink& out) = 0;

    // The access points of the adapter's last scan.
    virtual Win32Error BssList(std::string_view adapterName, std::vector<WlanBss>& out) = 0;
};

}  // namespace zelta
