// The route snapshot against a simulated forwarding table: what it records, what it deletes and
// re-creates, and the one fallback through the route program.
#include "routing/route_snapshot.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

sim::RouteRow Row(const char* dest, const char* mask, const char* hop, std::uint32_t ifIndex, std::uint32_t metric = 20) {
    return sim::RouteRow{*Ipv4::Parse(dest), *Ipv4::Parse(mask), *Ipv4::Parse(hop), ifIndex, metric, 3, 2};
}

class RouteSnapshotTest : public ::testing::Test {
protected:
    RouteSnapshotTest() {
        m.CreateKey();
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        m.SetDword("DEBUG", 31);
        settings.Load();
        AdapterInfo wlan;
        wlan.Index = 3;
        wlan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};  // brings 10.1.0.0/16 via 10.1.2.34
        m.host.AddAdapter(wlan);
        AdapterInfo lan;
        lan.Index = 2;
        m.host.AddAdapter(lan);
        m.host.AddRoute(Row("0.0.0.0", "0.0.0.0", "10.1.0.1", 3));
        m.host.AddRoute(Row("10.1.2.34", "255.255.255.255", "127.0.0.1", 3));
        m.host.AddRoute(Row("224.0.0.0", "240.0.0.0", "10.1.2.34", 3));
    }
    bool HasRoute(const char* dest, const char* mask, std::uint32_t ifIndex) {
        const auto& routes = m.host.routes();
        return std::any_of(routes.begin(), routes.end(), [&](const sim::RouteRow& r) {
            return r.dest.ToString() == dest && r.mask.ToString() == mask && r.ifIndex == ifIndex;
        });
    }
    std::size_t Count(const std::string& text) {
        const std::string log = m.LogText();
        std::size_t n = 0;
        for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    SettingsMachine m;
    DialerSettings settings{m.platform, m.log};
    std::uint32_t scan = 7;
    RouteSnapshot snapshot{settings, m.log, scan};
};

TEST_F(RouteSnapshotTest, RepeatedSnapshotsMarkKnownRowsPresentAndKeepTheirFirstRow) {
    ASSERT_EQ(snapshot.TakeRouteSnapshot(), 0);
    ASSERT_EQ(snapshot.EntriesOf(3).size(), 4u);
    // The default route's next hop changes between two snapshots: the first row read stays.
    m.host.routes()[1].nextHop = *Ipv4::Parse("10.1.0.254");
    m.host.AddRoute(Row("10.2.0.0", "255.255.0.0", "10.1.0.1", 3));
    ASSERT_EQ(snapshot.TakeRouteSnapshot(), 0);
    const auto& entries = snapshot.EntriesOf(3);
    ASSERT_EQ(entries.size(), 5u);  // one new row, appended
    EXPECT_EQ(entries.back().row.dwForwardDest.ToString(), "10.2.0.0");
    for (const RouteEntry& e : entries) {
        EXPECT_TRUE(e.present);
        if (e.row.dwForwardMask.ToString() == "0.0.0.0") {
            EXPECT_EQ(e.row.dwForwardNextHop.ToString(), "10.1.0.1");
        }
    }
    EXPECT_NE(m.LogText().find("dest=0x0000010a, mask=0x0000ffff, policy=0x00000000, nextH=0x2202010a\r\n"
                               "Dec 07 01:20:06:   index=0x3, type=0x3, proto=0x2, age=0x0\r\n"),
              std::string::npos);
}

TEST_F(RouteSnapshotTest, WithdrawalLeavesHostAndMulticastRoutesAndASecondOneDeletesNothing) {
    ASSERT_EQ(snapshot.TakeRouteSnapshot(), 0);
    ASSERT_EQ(snapshot.WithdrawInterfaceRoutes(3), 0);
    EXPECT_FALSE(HasRoute("10.1.0.0", "255.255.0.0", 3));
    EXPECT_FALSE(HasRoute("0.0.0.0", "0.0.0.0", 3));
    EXPECT_TRUE(HasRoute("10.1.2.34", "255.255.255.255", 3));
    EXPECT_TRUE(HasRoute("224.0.0.0", "240.0.0.0", 3));
    EXPECT_EQ(Count("7: Deleting route"), 2u);
    EXPECT_EQ(Count("7: Deleted route\r\n"), 2u);
    EXPECT_EQ(snapshot.WithdrawInterfaceRoutes(3), 0);
    EXPECT_EQ(Count("7: Deleting route"), 2u);
    EXPECT_EQ(Count("7: Done deleting routes\r\n"), 2u);

    ASSERT_EQ(snapshot.RestoreInterfaceRoutes(3), 0);
    EXPECT_TRUE(HasRoute("10.1.0.0", "255.255.0.0", 3));
    EXPECT_TRUE(HasRoute("0.0.0.0", "0.0.0.0", 3));
    EXPECT_EQ(Count("Restoring route"), 2u);
    EXPECT_EQ(m.host.commands().size(), 0u);
}

TEST_F(RouteSnapshotTest, AFailedDeletionKeepsTheRowPresentAndIsLoggedWithIt) {
    ASSERT_EQ(snapshot.TakeRouteSnapshot(), 0);
    m.host.faults().Inject("DeleteIpForwardEntry", 5, "0.0.0.0");
    ASSERT_EQ(snapshot.WithdrawInterfaceRoutes(3), 0);
    EXPECT_EQ(Count("7: Failed to delete route, 5\r\n"), 1u);
    EXPECT_TRUE(HasRoute("0.0.0.0", "0.0.0.0", 3));
    for (const RouteEntry& e : snapshot.EntriesOf(3))
        EXPECT_EQ(e.present, e.row.dwForwardDest.ToString() != "10.1.0.0");
}

TEST_F(RouteSnapshotTest, RestoringRoutesStillInTheTableFallsBackOnceForTheDefaultRoute) {
    m.host.AddRoute(Row("0.0.0.0", "0.0.0.0", "10.1.0.2", 3, 30));
    ASSERT_EQ(snapshot.TakeRouteSnapshot(), 0);  // the second default route has the same key: not kept
    ASSERT_EQ(snapshot.RestoreInterfaceRoutes(3), 0);
    EXPECT_EQ(Count("Failed to restore route, ret=183\r\n"), 2u);
    EXPECT_EQ(Count("Trying default route through cmd prompt\r\n"), 1u);
    EXPECT_EQ(Count("CMD: add 0.0.0.0 MASK 0.0.0.0 10.1.0.1\r\n"), 1u);
    ASSERT_EQ(m.host.commands().size(), 1u);
    EXPECT_EQ(m.host.commands()[0].commandLine, "route add 0.0.0.0 MASK 0.0.0.0 10.1.0.1");
}

TEST_F(RouteSnapshotTest, UnknownInterfacesAndUnreadableTablesFail) {
    const std::string before = m.LogText();
    EXPECT_EQ(snapshot.WithdrawInterfaceRoutes(3), -1);
    EXPECT_EQ(snapshot.RestoreInterfaceRoutes(3), -1);
    EXPECT_EQ(m.LogText(), before);
    m.host.faults().Inject("GetIpForwardTable", 8);
    EXPECT_EQ(snapshot.TakeRouteSnapshot(), -1);
    EXPECT_FALSE(snapshot.isDevInRoutes(3));
}

TEST_F(RouteSnapshotTest, OnlyARealRouteMakesAnInterfaceRouted) {
    m.host.AddRoute(Row("127.0.0.0", "255.0.0.0", "127.0.0.1", 2));
    m.host.AddRoute(Row("224.0.0.0", "240.0.0.0", "192.168.5.10", 2));
    m.host.AddRoute(Row("192.168.5.10", "255.255.255.255", "127.0.0.1", 2));
    EXPECT_FALSE(snapshot.isDevInRoutes(2));
    m.host.AddRoute(Row("192.168.5.0", "255.255.255.0", "192.168.5.10", 2));
    EXPECT_TRUE(snapshot.isDevInRoutes(2));
    EXPECT_EQ(Count("isDevInRoutes found index=2, ip=0x0005a8c0, mask=0x00ffffff\r\n"), 1u);
}

}  // namespace
}  // namespace zelta
