// Is the switch reachable over a wireless adapter? Adapters, drivers and names on the simulated campus.
#include "routing/switch_discovery.h"
#include "platform/little_endian.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;


// A campus laptop: a wired adapter on 192.168.1.0/24 and a wireless one on 10.1.0.0/16.
class SwitchDiscoveryTest : public ::testing::Test {
protected:
    explicit SwitchDiscoveryTest(std::uint32_t minor = 1) : m(5, minor) {
        m.SetString("SETUPIP", "10.1.0.1");
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        m.process.SetWinsockStartedForTesting(true);
        AdapterInfo wired;
        wired.AdapterName = "{WIRED}";
        wired.Index = 2;
        wired.IpAddressList = {{"192.168.1.20", "255.255.255.0"}};
        m.host.AddAdapter(wired).oids[ndis_oid::kGenLinkSpeed] = Le32(1000000);
        AdapterInfo wireless;
        wireless.AdapterName = "{WLAN}";
        wireless.Index = 3;
        wireless.IpAddressList = {{"10.1.2.34", "255.255.0.0"}, {"10.1.9.9", "255.255.0.0"}};
        auto& wlan = m.host.AddAdapter(wireless);
        wlan.oids[ndis_oid::kGenLinkSpeed] = Le32(540000);
        wlan.oids[0x0D010101] = {};  // OID_802_11_BSSID
        m.host.AddHostName(std::string(kSwitchHostName), Ipv4{{10, 1, 0, 1}});
    }
    SwitchPath Find(const std::function<void(DialerSettings&)>& adjust = {}) {
        settings = std::make_unique<DialerSettings>(m.platform, m.log);
        settings->Load();
        if (adjust) adjust(*settings);
        const SwitchFinding finding = FindSwitchInterface(*settings);
        local = finding.towardsServer.value_or(InterfaceAddress{});
        return finding.path;
    }
    void RouteServerThrough(std::uint32_t ifIndex) {
        m.host.AddRoute(sim::RouteRow{Ipv4{{10, 1, 0, 1}}, Ipv4{{255, 255, 255, 255}}, Ipv4{{10, 1, 0, 1}}, ifIndex, 1});
    }
    SettingsMachine m;
    std::unique_ptr<DialerSettings> settings;
    InterfaceAddress local;  // of the last look
};

TEST_F(SwitchDiscoveryTest, AWirelessRouteAndAResolvingSwitchMeanReady) {
    EXPECT_EQ(Find(), Ready);
    EXPECT_EQ(local.address, "10.1.2.34");  // the first address only
    EXPECT_EQ(local.mask, "255.255.0.0");
}

TEST_F(SwitchDiscoveryTest, AnAddressThatIsNotADottedQuadHasNoRouteAndQueriesNothing) {
    m.SetDword("DEBUG", 31);
    m.host.faults().Inject("GetBestInterface", 1231);  // would fire, and be recorded, if asked
    m.host.faults().Inject("GetAdaptersInfo", 111);
    for (const char* server : {"vpn.campus.example", "255.255.255.255", ""}) {
        m.SetString("SETUPIP", server);
        EXPECT_EQ(Find(), NoRoute) << server;
        EXPECT_TRUE(local.address.empty());
    }
    EXPECT_EQ(m.LogText(), "<no file>");
    EXPECT_TRUE(m.host.faults().Fired().empty()) << m.host.faults().Fired().front();
}

TEST_F(SwitchDiscoveryTest, AWiredRouteIsNotWirelessUnlessWaitingForWirelessIsOff) {
    m.SetDword("DEBUG", 31);
    RouteServerThrough(2);
    EXPECT_EQ(Find(), NotWireless);
    EXPECT_EQ(local.address, "192.168.1.20");
    EXPECT_EQ(local.mask, "255.255.255.0");
    EXPECT_NE(m.LogText().find("Found interface wlan=0, waitwlan=1\r\n"), std::string::npos);

    m.SetDword("SetupFlags", 0);
    EXPECT_EQ(Find(), Ready);
    EXPECT_NE(m.LogText().find("Found interface wlan=0, waitwlan=0\r\n"), std::string::npos);
}

TEST_F(SwitchDiscoveryTest, AnUnresolvableSwitchNameIsSwitchNotFound) {
    m.host.machine().hosts.clear();
    EXPECT_EQ(Find(), SwitchNotFound);
    m.host.faults().Inject("GetBestInterface", 1231);
    EXPECT_EQ(Find(), NoRoute);
}

TEST_F(SwitchDiscoveryTest, TheScanAndWepOidsAloneMarkAWirelessDriver) {
    auto* wlan = m.host.FindAdapter(3);
    wlan->oids.clear();
    wlan->supportedList = std::vector<std::uint32_t>{0x00010101, 0x0D010113, 0x0D01011C};
    EXPECT_EQ(Find(), Ready);
    wlan->supportedList = std::vector<std::uint32_t>{0x00010101, 0x0D010212};
    EXPECT_EQ(Find(), NotWireless);  // just past OID_802_11_CONFIGURATION
}

TEST_F(SwitchDiscoveryTest, DriverFailuresMeanNotWirelessAndAreLoggedInHex) {
    m.SetDword("DEBUG", 8);
    m.host.faults().Inject("DeviceIoControl", 0x1F, "{WLAN}");
    EXPECT_EQ(Find(), NotWireless);
    EXPECT_NE(m.LogText().find("DeviceIoControl error: 0x1f\r\n"), std::string::npos);
    m.host.faults().Clear();
    m.host.faults().Inject("CreateFile", err::kAccessDenied, "\\\\.\\{WLAN}");
    EXPECT_EQ(Find(), NotWireless);
    EXPECT_NE(m.LogText().find("CreateFile ndis error: 0x5\r\n"), std::string::npos);
    m.host.faults().Clear();
    m.host.faults().Inject("GetAdaptersInfo", 111);
    EXPECT_EQ(Find(), NotWireless);
}

class SwitchDiscoveryOnVista : public SwitchDiscoveryTest {
protected:
    SwitchDiscoveryOnVista() : SwitchDiscoveryTest(0) {}
};

TEST_F(SwitchDiscoveryOnVista, FromWindows6OnTheDriverSaysWhatItIsAndTheLinkSpeedNothing) {
    // 6.0: once read, minor by minor, as Windows 2000, whose road goes by the link speed.
    auto adjust = [](DialerSettings& s) { s.osVersion = OsVersion{6, 0, 6000, 2, {}}; };
    auto& wlan = *m.host.FindAdapter(3);
    wlan.oids[ndis_oid::kGenLinkSpeed] = Le32(1443000);  // 144.3 Mbit/s, an 802.11n rate
    EXPECT_EQ(Find(adjust), Ready);  // an older driver that answers the 802.11 queries

    // A native Wi-Fi driver: interface type 71, no 802.11 query answered.
    wlan.oids.clear();
    wlan.info.Type = kIfTypeIeee80211;
    EXPECT_EQ(Find(adjust), Ready);

    // An Ethernet driver at a Wi-Fi speed is still wired.
    wlan.info.Type = 6;
    wlan.oids[ndis_oid::kGenLinkSpeed] = Le32(540000);
    EXPECT_EQ(Find(adjust), NotWireless);
    EXPECT_EQ(Find([](DialerSettings& s) { s.osVersion = OsVersion{10, 0, 19045, 2, {}}; }), NotWireless);
}

}  // namespace
}  // namespace zelta
