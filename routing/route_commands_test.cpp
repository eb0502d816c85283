// The route program's command lines, and the default route moved onto the tunnel.
#include "routing/route_commands.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

class RouteCommandsTest : public ::testing::Test {
protected:
    RouteCommandsTest() {
        settings.Load();
        AdapterInfo wlan;
        wlan.AdapterName = "{WLAN}";
        wlan.Index = 3;
        wlan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};
        m.host.AddAdapter(wlan);
        AdapterInfo tunnel;
        tunnel.AdapterName = "{TUNNEL}";
        tunnel.Index = 9;
        tunnel.IpAddressList = {{"10.9.9.9", "255.255.255.255"}};
        m.host.AddAdapter(tunnel);
    }
    std::vector<std::string> CommandLines() {
        std::vector<std::string> lines;
        for (const auto& run : m.host.commands()) lines.push_back(run.commandLine);
        return lines;
    }
    SettingsMachine m;
    DialerSettings settings{m.platform, m.log};
    InterfaceAddress local{"10.1.2.34", "255.255.0.0"};
};

TEST_F(RouteCommandsTest, SetRoutesSendsTheSubnetThroughTheTunnelAndKeepsTheDirectRouteAtMetric20) {
    SetRoutes(settings, local, "10.9.9.9");
    EXPECT_EQ(CommandLines(), (std::vector<std::string>{"route add 10.1.0.0 MASK 255.255.0.0 10.9.9.9",
                                                        "route delete 10.1.0.0 MASK 255.255.0.0 10.1.2.34",
                                                        "route add 10.1.0.0 MASK 255.255.0.0 10.1.2.34 metric 20"}));
    ClearSubnetRoute(settings, local, Ipv4{{10, 9, 9, 9}});  // DNETCLEAR 0: nothing
    EXPECT_EQ(m.host.commands().size(), 3u);
    const auto& routes = m.host.routes();
    EXPECT_TRUE(std::any_of(routes.begin(), routes.end(), [](const sim::RouteRow& r) {
        return r.dest.ToString() == "10.1.0.0" && r.nextHop.ToString() == "10.9.9.9" && r.ifIndex == 9;
    }));
    EXPECT_TRUE(std::any_of(routes.begin(), routes.end(), [](const sim::RouteRow& r) {
        return r.dest.ToString() == "10.1.0.0" && r.nextHop.ToString() == "10.1.2.34" && r.metric == 20;
    }));
}

TEST_F(RouteCommandsTest, DnetClearSwapsWhichSubnetCommandRuns) {
    settings.dnetClear = 1;
    SetRoutes(settings, local, "10.9.9.9");
    EXPECT_TRUE(m.host.commands().empty());
    ClearSubnetRoute(settings, local, Ipv4{{10, 9, 9, 9}});
    EXPECT_EQ(CommandLines(), std::vector<std::string>{"route delete 10.1.0.0 MASK 255.255.0.0 10.9.9.9"});
}

TEST_F(RouteCommandsTest, WithoutTheInterfaceNothingRuns) {
    local.address.clear();
    SetRoutes(settings, local, "10.9.9.9");
    settings.dnetClear = 1;
    ClearSubnetRoute(settings, local, Ipv4{{10, 9, 9, 9}});
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_EQ(SubnetOf("10.1.2.34", "255.255.0.0"), "10.1.0.0");
    EXPECT_EQ(SubnetOf("bogus", "255.255.0.0"), "255.255.0.0");  // inet_addr's "none" is all ones
}

TEST_F(RouteCommandsTest, AddDefaultRouteDoesNothingWithoutADefaultRoute) {
    AddDefaultRoute(settings, "10.9.9.9");
    EXPECT_TRUE(m.host.commands().empty());
}

TEST_F(RouteCommandsTest, AddDefaultRoutePutsTheTunnelsFirstAndRecreatesTheOthers) {
    const Ipv4 any{{0, 0, 0, 0}};
    m.host.AddRoute(sim::RouteRow{any, any, Ipv4{{10, 1, 0, 254}}, 3, 20});
    m.host.AddRoute(sim::RouteRow{any, any, Ipv4{{10, 9, 9, 9}}, 9, 1});
    AddDefaultRoute(settings, "10.9.9.9");
    EXPECT_EQ(CommandLines(), (std::vector<std::string>{"route delete 0.0.0.0 MASK 0.0.0.0 10.9.9.9",
                                                        "route add 0.0.0.0 MASK 0.0.0.0 10.9.9.9"}));
    std::vector<std::string> defaults;
    for (const auto& r : m.host.routes())
        if (r.dest == any) defaults.push_back(r.nextHop.ToString() + " if " + std::to_string(r.ifIndex));
    // The route program's own first, then both saved rows again (the tunnel's is already there: refused).
    EXPECT_EQ(defaults, (std::vector<std::string>{"10.9.9.9 if 9", "10.1.0.254 if 3"}));
}

TEST_F(RouteCommandsTest, AFailedTableReadIsAnEmptyTable) {
    m.host.AddRoute(sim::RouteRow{Ipv4{}, Ipv4{}, Ipv4{{10, 1, 0, 254}}, 3, 20});
    m.host.faults().Inject("GetIpForwardTable", 122);
    AddDefaultRoute(settings, "10.9.9.9");
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_EQ(DeleteDefaultRoute(settings, "10.9.9.9"), 1u);  // the route program found nothing to delete
}

}  // namespace
}  // namespace zelta
