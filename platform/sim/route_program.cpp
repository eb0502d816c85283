// The route program of the simulated machine: edits the forwarding table.
#include <algorithm>

#include "platform/sim/programs.h"
#include "platform/text.h"

namespace zelta::sim {
namespace {

constexpr std::uint32_t kFailed = 1;

bool SameSubnet(Ipv4 a, Ipv4 b, Ipv4 mask) {
    return (a.NetworkOrderValue() & mask.NetworkOrderValue()) == (b.NetworkOrderValue() & mask.NetworkOrderValue());
}

}  // namespace

void NoteRoute(const Machine& machine, char sign, const RouteRow& r, std::string_view by) {
    machine.journal.Note("route", std::string(1, sign) + " " + r.dest.ToString() + "/" + r.mask.ToString() + " via " +
                                      r.nextHop.ToString() + " if " + std::to_string(r.ifIndex) + " metric " +
                                      std::to_string(r.metric) + (by.empty() ? "" : " (" + std::string(by) + ")"));
}

std::optional<std::uint32_t> InterfaceForGateway(const Machine& machine, Ipv4 gateway) {
    for (const SimAdapter& adapter : machine.adapters) {
        for (const AdapterAddress& a : adapter.info.IpAddressList) {
            const auto address = Ipv4::Parse(a.IpAddress);
            const auto mask = Ipv4::Parse(a.IpMask);
            if (!address || !mask || address->NetworkOrderValue() == 0) continue;
            if (*address == gateway || SameSubnet(*address, gateway, *mask)) return adapter.info.Index;
        }
    }
    return std::nullopt;
}

std::uint32_t RunRouteProgram(Machine& machine, const std::vector<std::string>& args) {
    if (args.size() < 2) return kFailed;
    const auto dest = Ipv4::Parse(args[1]);
    if (!dest) return kFailed;
    std::optional<Ipv4> mask;
    std::optional<Ipv4> gateway;
    std::optional<std::uint32_t> metric;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (EqualsNoCase(args[i], "MASK") && i + 1 < args.size()) {
            mask = Ipv4::Parse(args[++i]);
            if (!mask) return kFailed;
        } else if (EqualsNoCase(args[i], "METRIC") && i + 1 < args.size()) {
            const std::string& text = args[++i];
            if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
                return kFailed;
            metric = static_cast<std::uint32_t>(std::stoul(text));
        } else if (!gateway) {
            gateway = Ipv4::Parse(args[i]);
            if (!gateway) return kFailed;
        } else {
            return kFailed;
        }
    }

    if (EqualsNoCase(args[0], "add")) {
        if (!mask || !gateway) return kFailed;
        const auto ifIndex = InterfaceForGateway(machine, *gateway);
        if (!ifIndex) return kFailed;  // "the route addition failed": no interface reaches the gateway
        RouteRow row{*dest, *mask, *gateway, *ifIndex, metric.value_or(1)};
        if (std::find(machine.routes.begin(), machine.routes.end(), row) != machine.routes.end()) return kFailed;
        machine.routes.push_back(row);
        NoteRoute(machine, '+', row);
        return 0;
    }
    if (EqualsNoCase(args[0], "delete")) {
        const auto matches = [&](const RouteRow& r) {
            return r.dest == *dest && (!mask || r.mask == *mask) && (!gateway || r.nextHop == *gateway);
        };
        std::size_t removed = 0;
        for (auto it = machine.routes.begin(); it != machine.routes.end();) {
            if (matches(*it)) {
                NoteRoute(machine, '-', *it);
                it = machine.routes.erase(it);
                ++removed;
            } else {
                ++it;
            }
        }
        return removed > 0 ? 0 : kFailed;
    }
    return kFailed;
}

}  // namespace zelta::sim
