// The switch check over whatever adapters, drivers and server addresses: the answer is one of the
// four; only a dotted quad (not the broadcast address) ever gets past NoRoute; with waiting for
// wireless off the answer is NoRoute or Ready; the recorded address and mask fit their 16-character
// fields; the library's variant looks at no more than 31 characters of the address.
#include "routing/switch_discovery.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::fuzz;
    FuzzInput in(data, size);
    SimMachine machine;
    const std::uint32_t versions[][2] = {{5, 0}, {5, 1}, {5, 2}, {6, 0}};
    const auto version = versions[in.Below(4)];
    machine.host.SetOsVersion(version[0], version[1]);
    machine.process.SetWinsockStartedForTesting(true);
    if (in.Flag()) machine.host.AddHostName(std::string(kSwitchHostName), Ipv4{{10, 1, 0, 1}});
    for (std::uint32_t n = in.Below(4); n > 0; --n) {
        AdapterInfo info;
        info.Index = in.Below(8) + 1;
        info.AdapterName = in.Text(40);
        info.Description = in.Text(40);
        info.Type = 6;
        for (std::uint32_t k = in.Below(3); k > 0; --k) info.IpAddressList.push_back({in.Text(20), in.Text(20)});
        sim::SimAdapter& adapter = machine.host.AddAdapter(info);
        for (std::uint32_t k = in.Below(3); k > 0; --k) adapter.oids[in.Flag() ? ndis_oid::kGenLinkSpeed : in.Dword()] = in.Bytes(64);
        if (in.Flag()) {
            std::vector<std::uint32_t> supported;
            for (std::uint32_t k = in.Below(6); k > 0; --k) supported.push_back(in.Flag() ? ndis_oid::k80211First + in.Below(0x120) : in.Dword());
            adapter.supportedList = supported;
        }
    }
    for (std::uint32_t n = in.Below(3); n > 0; --n)
        machine.host.AddRoute(sim::RouteRow{Ipv4::FromNetworkOrderValue(in.Dword()), Ipv4::FromNetworkOrderValue(in.Dword()),
                                            Ipv4::FromNetworkOrderValue(in.Dword()), in.Below(8) + 1, in.Below(50)});

    DialerSettings settings(machine.platform, machine.log, DialerSettings::ExtranetProbe::Skip);
    settings.setupFlags = in.Flag() ? 0x4 : 0;
    settings.setupIp = in.Flag() ? "10.1.0.1" : in.Text(63);
    const bool narrowed = in.Flag();
    const SwitchFinding finding = narrowed ? FindSwitchInterfaceNarrowed(settings) : FindSwitchInterface(settings);
    const SwitchPath path = finding.path;

    FUZZ_CHECK(path >= NoRoute && path <= Ready);
    const std::string looked = narrowed ? settings.setupIp.substr(0, 31) : settings.setupIp;
    const auto server = Ipv4::Parse(looked);
    if (!server || server->NetworkOrderValue() == 0xFFFFFFFFu) FUZZ_CHECK(path == NoRoute);
    if (!settings.WaitForWireless()) FUZZ_CHECK(path == NoRoute || path == Ready);
    if (finding.towardsServer) FUZZ_CHECK(finding.towardsServer->address.size() <= 15 && finding.towardsServer->mask.size() <= 15);
    if (finding.path == NoRoute) FUZZ_CHECK(!finding.towardsServer || path == NoRoute);
    return 0;
}
