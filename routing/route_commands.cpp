// The route program's command lines.
#include "routing/route_commands.h"

#include <cstdio>
#include <vector>

#include "common/run_process.h"

namespace zelta {
namespace {

constexpr std::size_t kCommandCapacity = 512;
constexpr std::size_t kTableCapacity = 10240;

// inet_addr's answer for text that is no address.
std::uint32_t InetAddr(std::string_view text) {
    const auto address = Ipv4::Parse(text);
    return address ? address->NetworkOrderValue() : 0xFFFFFFFFu;
}

template <typename... Args>
void Route(DialerSettings& settings, const char* format, Args... args) {
    char command[kCommandCapacity];
    const int length = std::snprintf(command, sizeof command, format, args...);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof command) return;  // never run a cut command
    RunProcess(settings.platform().processes, settings.platform().system, settings.log(), "route", command);
}

bool InterfaceKnown(const InterfaceAddress& local) { return !local.address.empty() && !local.mask.empty(); }

}  // namespace

std::string SubnetOf(std::string_view address, std::string_view mask) {
    return Ipv4::FromNetworkOrderValue(InetAddr(address) & InetAddr(mask)).ToString();
}

void SetRoutes(DialerSettings& settings, const InterfaceAddress& local, std::string_view tunnelAddress) {
    if (settings.dnetClear != 0 || !InterfaceKnown(local)) return;
    const std::string subnet = SubnetOf(local.address, local.mask);
    const std::string tunnel(tunnelAddress);
    Route(settings, "add %s MASK %s %s", subnet.c_str(), local.mask.c_str(), tunnel.c_str());
    Route(settings, "delete %s MASK %s %s", subnet.c_str(), local.mask.c_str(), local.address.c_str());
    Route(settings, "add %s MASK %s %s metric 20", subnet.c_str(), local.mask.c_str(), local.address.c_str());
}

void ClearSubnetRoute(DialerSettings& settings, const InterfaceAddress& local, Ipv4 tunnelAddress) {
    if (settings.dnetClear == 0 || !InterfaceKnown(local)) return;
    const std::string subnet = SubnetOf(local.address, local.mask);
    const auto& t = tunnelAddress.octets;
    Route(settings, "delete %s MASK %s %d.%d.%d.%d", subnet.c_str(), local.mask.c_str(), t[0], t[1], t[2], t[3]);
}

std::uint32_t DeleteDefaultRoute(DialerSettings& settings, std::string_view tunnelAddress) {
    char command[kCommandCapacity];
    const std::string tunnel(tunnelAddress);
    const int length = std::snprintf(command, sizeof command, "delete 0.0.0.0 MASK 0.0.0.0 %s", tunnel.c_str());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof command) return err::kInvalidParameter;
    return RunProcess(settings.platform().processes, settings.platform().system, settings.log(), "route", command);
}

void AddDefaultRoute(DialerSettings& settings, std::string_view tunnelAddress) {
    IpHelper& ip = settings.platform().ipHelper;
    std::vector<IpForwardRow> table;
    if (ip.ForwardTable(kTableCapacity, table) != err::kSuccess) table.clear();
    std::vector<IpForwardRow> saved;
    for (const IpForwardRow& row : table) {
        if (row.dwForwardIfIndex == 0) break;
        if (row.dwForwardDest.NetworkOrderValue() == 0 && ip.DeleteForwardEntry(row) == err::kSuccess)
            saved.push_back(row);
    }
    if (saved.empty()) return;
    const std::string tunnel(tunnelAddress);
    Route(settings, "delete 0.0.0.0 MASK 0.0.0.0 %s", tunnel.c_str());
    Route(settings, "add 0.0.0.0 MASK 0.0.0.0 %s", tunnel.c_str());
    for (const IpForwardRow& row : saved) ip.CreateForwardEntry(row);
}

}  // namespace zelta
