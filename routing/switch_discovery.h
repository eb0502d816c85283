// Switch discovery: before every dial, is the VPN server (the campus's wireless switch) reachable over
// a wireless adapter, and does the switch's host name resolve? Also tells the address and mask of
// the interface towards it, which the route commands need once the tunnel is up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/dialer_settings.h"
#include "platform/ndis_oids.h"
#include "routing/route_commands.h"

namespace zelta {

// A fixed name the campus DNS answers only on the wireless network: resolving it proves that the
// machine is on that network. Administrators publish it there and nowhere else.
inline constexpr std::string_view kSwitchHostName = "zelta-wlan-switch";

enum SwitchPath : int {
    NoRoute = 0,         // the server address is not a dotted quad, or no interface routes to it
    NotWireless = 1,     // the interface towards it is not wireless, and waiting for wireless is on
    SwitchNotFound = 2,  // wireless, but the switch host name does not resolve
    Ready = 3,           // go ahead
};


// IF_TYPE_IEEE80211: how Windows 6.0 and later type a native Wi-Fi adapter.
inline constexpr std::uint32_t kIfTypeIeee80211 = 71;

// What one look towards the server found: the way on, and the first address of the interface that
// leads there when that interface has one (each text at most 15 characters, as IP_ADDRESS_STRING).
struct SwitchFinding {
    SwitchPath path = NoRoute;
    std::optional<InterfaceAddress> towardsServer;
};

SwitchFinding FindSwitchInterface(DialerSettings& settings);
// The custom-dial library's variant: it narrows the server address into a 32-byte buffer first, so
// only its first 31 characters count.
SwitchFinding FindSwitchInterfaceNarrowed(DialerSettings& settings);

// The adapter with `interfaceIndex`, as switch discovery sees it.
struct AdapterFinding {
    bool wireless = false;
    std::optional<InterfaceAddress> address;  // its first address and mask, when it has one
};

// Finds the adapter with `interfaceIndex` and tells whether it is wireless: by the 802.11 OIDs its
// driver supports from Windows XP on, by the link speeds of 802.11b/g (11, 54, 108 Mbit/s) before;
// from Windows 6.0 on also by its interface type (IF_TYPE_IEEE80211).
AdapterFinding IsWirelessAdapter(DialerSettings& settings, std::uint32_t interfaceIndex);

// Whether the driver of `adapterName` lists an 802.11 OID among those it supports.
bool Supports80211(DeviceIo& devices, Log& log, const std::string& adapterName);

// One NDIS query through "\\.\<adapter name>". `out` holds the bytes returned (never more than
// `capacity`). Returns 0 or the Win32 error, logging either failure at level 8.
Win32Error QueryNdisOid(DeviceIo& devices, Log& log, std::string_view adapterName, std::uint32_t oid,
                        std::size_t capacity, std::vector<std::uint8_t>& out);

}  // namespace zelta
