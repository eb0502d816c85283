// The interface watch and its route snapshot over any interface tables and forwarding tables, scan
// after scan, with the table reads, deletions and re-creations failing when the input says: a look
// whose interface table could not be read changes nothing; a wireless adapter whose routes are
// withdrawn never loses one (every route taken out of the table is still in the snapshot); and at the
// exit every withdrawn route comes back.
#include "routing/interface_watch.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

#include <algorithm>

namespace zelta::fuzz {
namespace {

constexpr std::uint32_t kSpeeds[] = {10000000, 100000000, 1000000000, 11000000, 54000000, 108000000, 48000000, 0};

bool SameRoute(const sim::RouteRow& a, const sim::RouteRow& b) {
    return a.dest == b.dest && a.mask == b.mask && a.ifIndex == b.ifIndex;
}

bool InTable(const std::vector<sim::RouteRow>& table, const sim::RouteRow& row) {
    return std::any_of(table.begin(), table.end(), [&](const sim::RouteRow& r) { return SameRoute(r, row); });
}

Ipv4 MaskOf(std::uint32_t kind) {
    const std::uint32_t bits[] = {0, 8, 16, 24, 32};
    const std::uint32_t n = bits[kind % 5];
    const std::uint32_t host = n == 0 ? 0 : 0xFFFFFFFFu << (32 - n);
    return Ipv4{{static_cast<std::uint8_t>(host >> 24), static_cast<std::uint8_t>(host >> 16),
                 static_cast<std::uint8_t>(host >> 8), static_cast<std::uint8_t>(host)}};
}

bool Withdrawn(const WirelessRouteWatch& watch, std::uint32_t index) {
    const auto found = watch.devices().find(index);
    return found != watch.devices().end() && found->second.routesWithdrawn;
}

// Every route of a withdrawn adapter that the table had while its routes were live and has lost
// since must still be in the snapshot, taken out (not present).
void CheckNothingLost(const WirelessRouteWatch& watch, const std::vector<sim::RouteRow>& live,
                      const std::vector<sim::RouteRow>& table) {
    for (const auto& [index, record] : watch.devices()) {
        if (!record.routesWithdrawn) continue;
        const auto& entries = watch.snapshot().EntriesOf(index);
        for (const sim::RouteRow& row : live) {
            if (row.ifIndex != index || InTable(table, row)) continue;
            const bool held = std::any_of(entries.begin(), entries.end(), [&](const RouteEntry& e) {
                return e.row.dwForwardDest == row.dest && e.row.dwForwardMask == row.mask && !e.present;
            });
            FUZZ_CHECK(held);
        }
    }
}

}  // namespace
}  // namespace zelta::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    FuzzInput in(data, size);
    SimMachine machine;
    machine.host.registry().SetDword(RegistryRoot::LocalMachine, kSettingsKey, "DEBUG", 31);
    DialerSettings settings(machine.platform, machine.log, DialerSettings::ExtranetProbe::Skip);
    settings.Load();

    std::vector<sim::SimAdapter*> adapters;
    for (std::uint32_t i = 1, n = in.Below(5) + 1; i <= n; ++i) {
        AdapterInfo info;
        info.Index = i;
        info.Type = in.Flag() ? 6 : 71;
        info.AdapterName = "{" + std::to_string(i) + "}";
        info.Description = in.Flag() ? "Campus Adapter" : in.Text(20);
        info.Address = in.Bytes(6);
        info.IpAddressList = {{"10." + std::to_string(i) + ".0.1", "255.255.0.0"}};
        sim::SimAdapter& adapter = machine.host.AddAdapter(info);
        adapter.iface.speed = kSpeeds[in.Below(std::size(kSpeeds))];
        adapter.iface.operStatus = in.Flag() ? 5 : 2;
        adapters.push_back(&adapter);
    }
    for (std::uint32_t n = in.Below(12); n > 0; --n) {
        const Ipv4 dest = in.Flag() ? Ipv4{{224, 0, 0, 0}} : Ipv4::FromNetworkOrderValue(in.Dword());
        machine.host.AddRoute(sim::RouteRow{dest, MaskOf(in.Byte()), Ipv4::FromNetworkOrderValue(in.Dword()),
                                            in.Below(static_cast<std::uint32_t>(adapters.size())) + 1, in.Below(30) + 1});
    }
    // The table as it stood when each adapter's routes were last live: what a withdrawal must keep.
    // A restoration that failed loses its route by design (logged, tried once with the route program),
    // so the reference follows the table whenever an adapter is not withdrawn.
    std::vector<sim::RouteRow> live = machine.host.routes();

    WirelessRouteWatch watch(settings, machine.log);
    for (std::uint32_t scan = in.Below(10) + 1; scan > 0 && !in.Empty(); --scan) {
        sim::SimAdapter& changed = *adapters[in.Below(static_cast<std::uint32_t>(adapters.size()))];
        if (in.Flag()) changed.iface.operStatus = changed.iface.operStatus == 5 ? 2 : 5;
        if (in.Flag()) changed.iface.speed = kSpeeds[in.Below(std::size(kSpeeds))];
        const char* calls[] = {"", "GetIfTable", "GetIpForwardTable", "DeleteIpForwardEntry", "CreateIpForwardEntry"};
        const char* call = calls[in.Below(std::size(calls))];
        const std::string match = std::string(call) == "GetIfTable" ? (in.Flag() ? "size" : "table") : "";
        if (*call) machine.host.faults().Inject(call, 31, match, 1);

        const DeviceMap before = watch.devices();
        const std::vector<sim::RouteRow> tableBefore = machine.host.routes();
        const std::size_t fired = machine.host.faults().Fired().size();
        watch.InterfaceWatch(RasConnectionHandle{});
        const auto& all = machine.host.faults().Fired();
        const bool tableUnread = std::any_of(all.begin() + static_cast<std::ptrdiff_t>(fired), all.end(),
                                             [](const std::string& f) { return f.rfind("GetIfTable", 0) == 0; });
        if (tableUnread) {  // the look changed nothing
            FUZZ_CHECK(watch.devices().size() == before.size());
            for (const auto& [index, record] : before) {
                FUZZ_CHECK(watch.devices().contains(index));
                FUZZ_CHECK(watch.devices().at(index).routesWithdrawn == record.routesWithdrawn);
            }
            FUZZ_CHECK(machine.host.routes() == tableBefore);
        }
        machine.host.faults().Clear();
        const std::vector<sim::RouteRow>& table = machine.host.routes();
        CheckNothingLost(watch, live, table);
        std::erase_if(live, [&](const sim::RouteRow& row) { return !Withdrawn(watch, row.ifIndex); });
        for (const sim::RouteRow& row : table)
            if (!Withdrawn(watch, row.ifIndex)) live.push_back(row);
    }

    // The exit puts back what is still withdrawn.
    watch.RestoreAllWithdrawnRoutes();
    for (const auto& [index, record] : watch.devices()) {
        if (!record.routesWithdrawn) continue;
        for (const sim::RouteRow& row : live)
            if (row.ifIndex == index && row.mask != Ipv4{{255, 255, 255, 255}} && row.dest != Ipv4{{224, 0, 0, 0}})
                FUZZ_CHECK(InTable(machine.host.routes(), row));
    }
    return 0;
}
