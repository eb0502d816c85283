// What one interface-watch scan and one route snapshot cost with a full interface table (the loopback
// row and 127 adapters: the 128 rows the watch reads) and forwarding
// tables of 10, 1000 and 10240 rows (the largest the reads take). The scan runs on the window thread
// every 5 seconds, so it must stay far below what a user would notice. The simulated IP Helper
// stands in for the system's: its reads copy and sort the table as the system does.
#include <benchmark/benchmark.h>

#include "tests/support/settings_machine.h"
#include "routing/interface_watch.h"

namespace zelta {
namespace {

// With the loopback row, the most rows the watch reads: one more and it would read none.
constexpr std::uint32_t kInterfaces = static_cast<std::uint32_t>(kInterfaceTableCapacity) - 1;
constexpr std::uint32_t kWiredIndex = 2;  // index 1 is the loopback row the interface table begins with

// One wired adapter and 126 wireless ones; `routes` rows spread over them. The wired adapter's rows
// are networks, the wireless adapters' rows host routes, so that withdrawals leave the table whole
// and every scan reads all of it.
struct Campus {
    explicit Campus(std::size_t routes) {
        for (std::uint32_t i = 0; i < kInterfaces; ++i) {
            AdapterInfo info;
            info.Index = kWiredIndex + i;
            info.Type = 6;
            info.AdapterName = "{" + std::to_string(i) + "}";
            info.Description = i == 0 ? "Fast Ethernet Adapter" : "Wireless Adapter " + std::to_string(i);
            m.host.AddAdapter(info).iface.speed = i == 0 ? 100000000 : 54000000;
        }
        for (std::size_t r = 0; r < routes; ++r) {
            const auto n = static_cast<std::uint32_t>(r);
            const std::uint32_t ifIndex = kWiredIndex + n % kInterfaces;
            const bool wired = ifIndex == kWiredIndex;
            const Ipv4 dest{{10, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}};
            const Ipv4 mask = wired ? Ipv4{{255, 255, 255, 0}} : Ipv4{{255, 255, 255, 255}};
            m.host.AddRoute(sim::RouteRow{dest, mask, Ipv4{{10, 0, 0, 1}}, ifIndex, 20, 3, 2});
        }
    }
    testing::SettingsMachine m;
    DialerSettings settings{m.platform, m.log};
};

void BM_Scan(benchmark::State& state) {
    Campus campus(static_cast<std::size_t>(state.range(0)));
    WirelessRouteWatch watch(campus.settings, campus.m.log);
    watch.InterfaceWatch(RasConnectionHandle{});  // records the adapters and withdraws once; later scans are the steady state
    for (auto _ : state) watch.InterfaceWatch(RasConnectionHandle{});
    if (!watch.wiredPresent()) state.SkipWithError("the wired adapter was not counted");
}

void BM_Snapshot(benchmark::State& state) {
    Campus campus(static_cast<std::size_t>(state.range(0)));
    std::uint32_t scan = 1;
    RouteSnapshot snapshot(campus.settings, campus.m.log, scan);
    snapshot.TakeRouteSnapshot();
    for (auto _ : state) benchmark::DoNotOptimize(snapshot.TakeRouteSnapshot());
}

BENCHMARK(BM_Scan)->Arg(10)->Arg(1000)->Arg(10240)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Snapshot)->Arg(10)->Arg(1000)->Arg(10240)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelta

BENCHMARK_MAIN();
