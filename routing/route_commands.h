// Route commands: once the tunnel is up, the local subnet goes through it (the direct route stays at
// metric 20), and the default route can be moved onto it. Every command line runs through the
// system's route program and is waited for; exit codes are not acted on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/dialer_settings.h"

namespace zelta {

// The address and mask of the local interface towards the server, as IP_ADDRESS_STRING texts.
struct InterfaceAddress {
    std::string address;
    std::string mask;
};

// With DNETCLEAR 0 and the interface's address and mask known: adds the subnet through the tunnel,
// deletes the direct route, adds it back at metric 20.
void SetRoutes(DialerSettings& settings, const InterfaceAddress& local, std::string_view tunnelAddress);

// With DNETCLEAR non-zero and the interface known: deletes the subnet's route through the tunnel.
void ClearSubnetRoute(DialerSettings& settings, const InterfaceAddress& local, Ipv4 tunnelAddress);

// "route delete 0.0.0.0 MASK 0.0.0.0 <tunnel>"; its result.
std::uint32_t DeleteDefaultRoute(DialerSettings& settings, std::string_view tunnelAddress);

// Puts the tunnel's default route first: every default route is deleted (and kept), the tunnel's is
// deleted and added with the route program, and the kept ones are created again behind it.
void AddDefaultRoute(DialerSettings& settings, std::string_view tunnelAddress);

// The subnet of an address and mask, as inet_addr would read them ("10.1.2.34" and "255.255.0.0"
// give "10.1.0.0").
std::string SubnetOf(std::string_view address, std::string_view mask);

}  // namespace zelta
