// The programs the simulated machine knows how to run: the system's route program and the IPsec
// command-line tools. Each takes the argument words and changes the machine; it returns the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/registry.h"

namespace zelta::sim {

// Splits a command line the way the C runtime does for these programs: blanks separate words,
// double quotes group (and are removed).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// "route add D MASK M G [metric N]", "route delete D [MASK M] [G]".
std::uint32_t RunRouteProgram(Machine& machine, const std::vector<std::string>& args);

// ipseccmd / ipsecpol: "-w REG -p NAME -y -o", "-w REG -p NAME -o", and the create form
// "-w REG -f FILTER -n NEG -1k LIFE -1s IKE -p NAME -r RULE -x -a AUTH".
std::uint32_t RunIpsecTool(Machine& machine, RegistryStore& registry, const std::vector<std::string>& args);

// Tells the journal of a route added ('+') or deleted ('-'), and by whom ("" for the route program).
void NoteRoute(const Machine& machine, char sign, const RouteRow& row, std::string_view by = {});

// The interface a gateway is reached through: the adapter whose subnet holds it.
std::optional<std::uint32_t> InterfaceForGateway(const Machine& machine, Ipv4 gateway);

}  // namespace zelta::sim
