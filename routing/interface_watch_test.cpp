// The interface watch's decisions on a simulated machine: which adapters count as wired, the
// table's limits, a failed snapshot, and the wired-present flag.
#include "routing/interface_watch.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

class InterfaceWatchTest : public ::testing::Test {
protected:
    InterfaceWatchTest() {
        m.CreateKey();
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        m.SetDword("DEBUG", 31);
        settings.Load();
        Add(3, "Campus 802.11g Adapter", 54000000, "10.1.2.34");
        sim::SimConnection up;
        up.handle = tunnel;
        up.entry = "Zelta VPN";
        up.state = rascs::kConnected;
        up.projected = true;
        up.client = "10.9.9.9";
        up.server = "10.1.0.1";
        m.host.machine().connections.push_back(up);
    }
    // How often the tunnel's default route was moved off (or back on) for its projected address.
    int Moved(std::string_view how) {
        const std::string log = m.LogText();
        const std::string line = std::string(how) + " default route to 10.9.9.9\r\n";
        int count = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        return count;
    }
    sim::SimAdapter& Add(std::uint32_t index, std::string description, std::uint32_t speed, std::string address = {}) {
        AdapterInfo info;
        info.Index = index;
        info.Type = 6;
        info.AdapterName = "{" + std::to_string(index) + "}";
        info.Description = std::move(description);
        if (!address.empty()) info.IpAddressList = {{address, "255.255.0.0"}};
        sim::SimAdapter& adapter = m.host.AddAdapter(info);
        adapter.iface.speed = speed;
        return adapter;
    }
    bool WirelessRouted() {
        const auto& routes = m.host.routes();
        return std::any_of(routes.begin(), routes.end(), [](const sim::RouteRow& r) { return r.ifIndex == 3; });
    }

    SettingsMachine m;
    DialerSettings settings{m.platform, m.log};
    RasConnectionHandle tunnel{7};
    WirelessRouteWatch watch{settings, m.log};
};

TEST_F(InterfaceWatchTest, FromWindows6OnTheDriverSaysWhatItIsWhateverItsLinkSpeed) {
    // The fixture's 54 Mbit/s Ethernet-type adapter answers no 802.11 query here: on 10.0 it is wired.
    settings.osVersion = OsVersion{10, 0, 19045, 2, {}};
    sim::SimAdapter& wifi = Add(4, "Native Wi-Fi Adapter", 866700000, "10.1.3.4");  // 802.11ac: no known class
    wifi.info.Type = 71;
    sim::SimAdapter& old = Add(5, "Older Wi-Fi Adapter", 144000000);
    old.oids[0x0D010101] = std::vector<std::uint8_t>(6, 0);  // answers OID_802_11_BSSID
    Add(6, "2.5 Gigabit Ethernet", 2500000000u, "192.168.5.10");  // no speed the old table knows
    watch.InterfaceWatch(tunnel);
    EXPECT_TRUE(watch.devices().contains(4));   // type 71: wireless
    EXPECT_TRUE(watch.devices().contains(5));   // an 802.11 driver of Ethernet type: wireless
    EXPECT_FALSE(watch.devices().contains(3));  // 54 Mbit/s alone says nothing any more
    EXPECT_TRUE(watch.wiredPresent());                  // the 2.5 Gbit/s cable counts

    // Windows XP as ever: by the speed, and the 2.5 Gbit/s adapter is unknown.
    DialerSettings xp{m.platform, m.log};
    xp.Load();
    WirelessRouteWatch xpWatch{xp, m.log};
    xpWatch.InterfaceWatch(tunnel);
    EXPECT_TRUE(xpWatch.devices().contains(3));
    EXPECT_FALSE(xpWatch.devices().contains(4));
}

TEST_F(InterfaceWatchTest, AWiredAdapterWithdrawsTheWirelessRoutesUntilItGoes) {
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.wiredPresent());
    ASSERT_EQ(watch.devices().size(), 1u);
    EXPECT_EQ(watch.devices().at(3).adapterName, "{3}");
    sim::SimAdapter& lan = Add(2, "Fast Ethernet Adapter", 100000000, "192.168.5.10");
    watch.InterfaceWatch(tunnel);
    EXPECT_TRUE(watch.wiredPresent());
    EXPECT_TRUE(watch.devices().at(3).routesWithdrawn);
    EXPECT_FALSE(WirelessRouted());
    EXPECT_EQ(Moved("Delete"), 1);
    watch.InterfaceWatch(tunnel);
    EXPECT_EQ(Moved("Delete"), 2);  // repeated every scan while the cable stays
    lan.iface.operStatus = 2;
    std::erase_if(m.host.routes(), [](const sim::RouteRow& r) { return r.ifIndex == 2; });
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.wiredPresent());
    EXPECT_TRUE(WirelessRouted());
    EXPECT_EQ(Moved("Add"), 1);
    EXPECT_FALSE(watch.devices().at(3).routesWithdrawn);
    EXPECT_TRUE(watch.snapshot().EntriesOf(3).empty());
}

TEST_F(InterfaceWatchTest, WithoutAProjectedTunnelOnlyTheWirelessRoutesMove) {
    Add(2, "Fast Ethernet Adapter", 100000000, "192.168.5.10");
    watch.InterfaceWatch(RasConnectionHandle{});  // no dial
    EXPECT_FALSE(WirelessRouted());
    m.host.machine().connections.front().projected = false;  // dialling, not yet projected
    watch.InterfaceWatch(tunnel);
    EXPECT_EQ(Moved("Delete"), 0);
    EXPECT_EQ(m.host.commands().size(), 0u);  // the route program never ran
}

TEST_F(InterfaceWatchTest, ExcludedAndUnknownAdaptersNeverCountAsWired) {
    Add(4, "VMware Virtual Ethernet Adapter", 100000000).info.Address = {0x00, 0x50, 0x56, 0xC0, 0x00, 0x08};
    Add(5, "NOC EXTRANET ACCESS ADAPTER", 100000000);
    Add(6, "Efficient Networks Enternet 300", 10000000);
    Add(7, "Efficient Networks Enterne", 10000000).iface.operStatus = 2;  // too short to match; down, unrouted
    Add(8, "Odd Speed Adapter", 48000000);
    watch.InterfaceWatch(tunnel);
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.wiredPresent());
    EXPECT_TRUE(WirelessRouted());
    EXPECT_EQ(watch.devices().size(), 1u);  // only the wireless adapter is recorded
    EXPECT_NE(m.LogText().find("Skipping unknown device=Odd Speed Adapter\r\n"), std::string::npos);

    InterfaceRow row;
    row.bDescr = "Efficient Networks Enterne";
    EXPECT_FALSE(IsExcludedAdapter(row));
    row.bDescr = "efficient networks enternet";
    EXPECT_TRUE(IsExcludedAdapter(row));
    row.bDescr = "Intel PRO/100";
    row.dwPhysAddrLen = 2;
    row.bPhysAddr = {0x00, 0x0C, 0x29, 0, 0, 0, 0, 0};
    EXPECT_FALSE(IsExcludedAdapter(row));  // a prefix needs three bytes
    row.dwPhysAddrLen = 6;
    EXPECT_TRUE(IsExcludedAdapter(row));
}

TEST_F(InterfaceWatchTest, MoreInterfacesThanTheTableHoldsChangeNothing) {
    for (std::uint32_t i = 0; i < kInterfaceTableCapacity; ++i) Add(100 + i, "Fast Ethernet " + std::to_string(i), 100000000);
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.wiredPresent());
    EXPECT_TRUE(WirelessRouted());
    EXPECT_TRUE(watch.devices().empty());
    const std::string log = m.LogText();
    // The fixture's adapter, these 128 and the loopback row every interface table has.
    EXPECT_NE(log.find("1: GetIfTable returned cnt=111804(130)\r\n"), std::string::npos);
    EXPECT_EQ(log.find("1: GetIfTable succeeded"), std::string::npos);
    EXPECT_EQ(log.find("1: done with GetIfTable"), std::string::npos);
}

TEST_F(InterfaceWatchTest, AFailedSnapshotStopsTheWithdrawalsAndTheTunnelStep) {
    watch.InterfaceWatch(tunnel);
    Add(2, "Fast Ethernet Adapter", 100000000);
    m.host.faults().Inject("GetIpForwardTable", 8, "", 1);
    watch.InterfaceWatch(tunnel);
    EXPECT_TRUE(WirelessRouted());
    EXPECT_EQ(Moved("Delete"), 0);
    EXPECT_FALSE(watch.devices().at(3).routesWithdrawn);
    watch.InterfaceWatch(tunnel);  // the next scan succeeds
    EXPECT_FALSE(WirelessRouted());
    EXPECT_EQ(Moved("Delete"), 1);
}

TEST_F(InterfaceWatchTest, RowsAreDumpedWithTheAddressInTwoLittleEndianParts) {
    InterfaceRow row;
    row.bDescr = "Campus";
    row.dwIndex = 0x10003;
    row.dwType = 6;
    row.dwMtu = 1500;
    row.dwSpeed = 54000000;
    row.bPhysAddr = {0x00, 0x0B, 0x85, 0x11, 0x22, 0x33, 0, 0};
    row.dwAdminStatus = 1;
    row.dwOperStatus = 5;
    row.dwInOctets = 12;
    row.dwOutQLen = 3;
    DumpInterfaceRow(m.log, row);
    const std::string log = m.LogText();
    EXPECT_NE(log.find("Desc=Campus\r\n"), std::string::npos);
    EXPECT_NE(log.find("i=0x10003,t=6,mtu=1500,speed=54000000,addr=0x11850b000x3322\r\n"), std::string::npos);
    EXPECT_NE(log.find("admin=1,oper=5,lastchange=0x0\r\n"), std::string::npos);
    EXPECT_NE(log.find("in=12,inu=0,inNU=0,inD=0,inE=0,inUnk=0,oout=0,outU=0,outNU=0,outD=0,outE=0,outQ=3\r\n"), std::string::npos);
}

TEST_F(InterfaceWatchTest, AWirelessAdapterBackUnderANewIndexIsADuplicateAndOneGoneIsRestarting) {
    watch.InterfaceWatch(tunnel);
    m.host.FindAdapter(3)->info.Index = 9;  // its driver restarted
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.devices().contains(3));
    EXPECT_TRUE(watch.devices().contains(9));
    EXPECT_NE(m.LogText().find("2: duplicate...not restarting\r\n"), std::string::npos);
    EXPECT_EQ(m.LogText().find("Restarting wireless driver"), std::string::npos);
    std::erase_if(m.host.machine().adapters, [](const sim::SimAdapter& a) { return a.info.Index == 9; });
    watch.InterfaceWatch(tunnel);
    EXPECT_TRUE(watch.devices().empty());
    EXPECT_NE(m.LogText().find("Restarting wireless driver dev=Campus 802.11g Adapter\r\n"), std::string::npos);
}

TEST_F(InterfaceWatchTest, WithdrawnRoutesOfAnAdapterThatLeftStayWithdrawnUntilTheExit) {
    Add(2, "Fast Ethernet Adapter", 100000000, "192.168.5.10");
    watch.InterfaceWatch(tunnel);
    ASSERT_FALSE(WirelessRouted());
    // Index 3 leaves the table (its adapter shows up elsewhere at a speed the watch skips); a record
    // whose routes are withdrawn is kept all the same while the cable stays.
    sim::SimAdapter* wlan = m.host.FindAdapter(3);
    wlan->iface.speed = 0;
    wlan->info.Index = 33;
    watch.InterfaceWatch(tunnel);
    ASSERT_TRUE(watch.devices().contains(3));
    EXPECT_TRUE(watch.devices().at(3).routesWithdrawn);
    m.host.FindAdapter(33)->info.Index = 3;  // back, so its routes can be created again
    watch.RestoreAllWithdrawnRoutes();
    EXPECT_TRUE(WirelessRouted());
    EXPECT_TRUE(watch.devices().at(3).routesWithdrawn);  // the record is left as it was
    EXPECT_EQ(Moved("Add"), 0);                          // and no default route is added at exit
}

TEST_F(InterfaceWatchTest, AFailedTableReadSkipsTheScan) {
    Add(2, "Fast Ethernet Adapter", 100000000);
    m.host.faults().Inject("GetIfTable", 31, "table", 1);
    watch.InterfaceWatch(tunnel);
    EXPECT_FALSE(watch.wiredPresent());
    EXPECT_TRUE(watch.devices().empty());
    EXPECT_EQ(m.LogText().find("1: done with GetIfTable"), std::string::npos);
    watch.InterfaceWatch(tunnel);
    EXPECT_TRUE(watch.wiredPresent());
}

TEST_F(InterfaceWatchTest, AFailedSizeQueryChangesNothingAndForgetsNoWithdrawnRoute) {
    watch.InterfaceWatch(tunnel);
    Add(2, "Fast Ethernet Adapter", 100000000, "192.168.5.10");
    watch.InterfaceWatch(tunnel);
    ASSERT_TRUE(watch.devices().at(3).routesWithdrawn);
    // The size cannot be learnt while the table itself still reads: counted as no rows, the look
    // would take the no-wired branch and drop the wireless adapter with its withdrawn routes.
    m.host.faults().Inject("GetIfTable", 31, "size", 1);
    watch.InterfaceWatch(tunnel);
    ASSERT_EQ(watch.devices().size(), 1u);
    EXPECT_TRUE(watch.devices().at(3).routesWithdrawn);
    EXPECT_FALSE(watch.snapshot().EntriesOf(3).empty());
    EXPECT_TRUE(watch.wiredPresent());
    EXPECT_EQ(m.LogText().find("3: done with GetIfTable"), std::string::npos);
    watch.RestoreAllWithdrawnRoutes();  // so they still come back at the exit
    EXPECT_TRUE(WirelessRouted());
}

}  // namespace
}  // namespace zelta
