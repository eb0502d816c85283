// The NDIS object identifiers the product asks an adapter's driver for (IOCTL_NDIS_QUERY_GLOBAL_STATS),
// and the simulated drivers answer: one list for the dialer, the library, the simulated host and
// its words.
#pragma once

#include <cstdint>

namespace zelta::ndis_oid {

inline constexpr std::uint32_t kGenSupportedList = 0x00010101;
inline constexpr std::uint32_t kGenLinkSpeed = 0x00010107;  // in units of 100 bit/s

inline constexpr std::uint32_t kBssid = 0x0D010101;               // OID_802_11_BSSID
inline constexpr std::uint32_t kSsid = 0x0D010102;
inline constexpr std::uint32_t kInfrastructureMode = 0x0D010108;
inline constexpr std::uint32_t kAuthenticationMode = 0x0D010118;
inline constexpr std::uint32_t kBssidListScan = 0x0D01011A;
inline constexpr std::uint32_t kWepStatus = 0x0D01011B;
inline constexpr std::uint32_t kRssi = 0x0D010206;
inline constexpr std::uint32_t kSupportedRates = 0x0D01020E;
inline constexpr std::uint32_t kConfiguration = 0x0D010211;
inline constexpr std::uint32_t kBssidList = 0x0D010217;

// The span of the 802.11 OIDs a wireless driver lists, the first and the last the product knows.
inline constexpr std::uint32_t k80211First = kBssid;
inline constexpr std::uint32_t k80211Last = kConfiguration;

}  // namespace zelta::ndis_oid
