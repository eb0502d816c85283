// The Network Info report over simulated adapters and drivers, malformed driver answers included.
#include "dialer/netinfo/network_info.h"
#include "platform/little_endian.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;
using Bytes = std::vector<std::uint8_t>;


Bytes Ssid(const std::string& text) {
    Bytes bytes = Le32(static_cast<std::uint32_t>(text.size()));
    for (std::size_t i = 0; i < 32; ++i) bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    return bytes;
}

// One NDIS_WLAN_BSSID of 104 bytes.
Bytes AccessPoint(std::uint8_t last, const std::string& ssid, std::uint32_t privacy, int rssi, std::uint32_t kHz) {
    Bytes e(104, 0);
    const Bytes length = Le32(104);
    std::copy(length.begin(), length.end(), e.begin());
    for (int i = 0; i < 6; ++i) e[4 + i] = static_cast<std::uint8_t>(i == 5 ? last : 0x10 * (i + 1));
    const Bytes s = Ssid(ssid);
    std::copy(s.begin(), s.end(), e.begin() + 12);
    const Bytes p = Le32(privacy), r = Le32(static_cast<std::uint32_t>(rssi)), f = Le32(kHz);
    std::copy(p.begin(), p.end(), e.begin() + 48);
    std::copy(r.begin(), r.end(), e.begin() + 52);
    std::copy(f.begin(), f.end(), e.begin() + 72);
    return e;
}

class NetworkInfoTest : public ::testing::Test {
protected:
    sim::SimAdapter& Adapter(std::uint32_t index, const std::string& name, std::vector<AdapterAddress> addresses) {
        AdapterInfo info;
        info.Index = index;
        info.AdapterName = name;
        info.Description = name + " adapter";
        info.Address = {0x00, 0x0c, 0x29, 0xaa, 0xbb, index == 2 ? std::uint8_t{0x02} : std::uint8_t{0x03}};
        info.IpAddressList = std::move(addresses);
        info.GatewayList = {{"10.1.0.254", ""}};
        return m.host.AddAdapter(info);
    }
    std::string Report() { return NetworkInfoReport(m.platform, m.log).value_or("<none>"); }
    SettingsMachine m;
};

TEST_F(NetworkInfoTest, AWiredAdapterGetsItsStandardLinesAndAddressesAlternate) {
    Adapter(2, "LAN", {{"192.168.1.20", "255.255.255.0"}, {"192.168.7.1", "255.255.0.0"}}).oids[0x00010107] = Le32(1000000);
    m.host.machine().dnsServers = {"10.1.0.53", "10.1.0.54"};
    EXPECT_EQ(Report(),
              "LAN adapter:\r\n"
              "  Physical Address:\t\t 00:0C:29:AA:BB:02\r\n"
              "  DHCP Enabled:\t\t NO\r\n"
              "  IP Address:\t\t 192.168.1.20\r\n"
              "  Subnet Mask:\t\t 255.255.255.0\r\n"
              "  IP Address:\t\t 192.168.7.1\r\n"
              "  Subnet Mask:\t\t 255.255.0.0\r\n"
              "  Default Gateway:\t\t 10.1.0.254\r\n"
              "\r\n"
              "DNS Servers:\t\t 10.1.0.53, 10.1.0.54\r\n\r\n");
}

TEST_F(NetworkInfoTest, WirelessLinesFollowTheDriversOrder) {
    auto& wlan = Adapter(3, "WLAN", {{"10.1.2.34", "255.255.0.0"}});
    wlan.oids[0x0D010206] = Le32(static_cast<std::uint32_t>(-61));
    wlan.oids[0x0D010102] = Ssid("CampusNetworkGuest1");  // 19 characters: 15 are shown
    wlan.oids[0x0D010118] = Le32(4);
    wlan.oids[0x0D01011B] = Le32(6);
    Bytes configuration(32, 0);
    const Bytes beacon = Le32(100), frequency = Le32(2484000);
    std::copy(beacon.begin(), beacon.end(), configuration.begin() + 4);
    std::copy(frequency.begin(), frequency.end(), configuration.begin() + 12);
    wlan.oids[0x0D010211] = configuration;
    wlan.supportedList = std::vector<std::uint32_t>{0x0D010206, 0x0D010102, 0x0D010118, 0x0D01011B, 0x0D010211, 0x00010101};
    const std::string report = Report();
    EXPECT_NE(report.find("  RSSI: \t\t\t-61\r\n  SSID:\t\t\t CampusNetworkGu\r\n  AUTHMODE: \t\tUnknown\r\n"
                          "  WEP:\t\t\t Unknown (6)\r\n  BeaconPeriod: \t\t100\r\n  Channel: \t\t14\r\n"),
              std::string::npos)
        << report;
}

TEST_F(NetworkInfoTest, SsidsStopAtTheFirstUnprintableByteAndChannelsFollowTheBand) {
    EXPECT_EQ(CleanSsid({'a', 'b', 'c', 0x07, 'd'}), "abc");
    EXPECT_EQ(FrequencyToChannel(2412000), 1u);
    EXPECT_EQ(FrequencyToChannel(2437000), 6u);
    EXPECT_EQ(FrequencyToChannel(2484000), 14u);
    EXPECT_EQ(FrequencyToChannel(5180000), 36u);
}

TEST_F(NetworkInfoTest, TheAccessPointsComeFromTheLastAdapterThatListsThem) {
    auto& first = Adapter(3, "WLAN1", {{"10.1.2.34", "255.255.0.0"}});
    Bytes one = Le32(1);
    const Bytes a = AccessPoint(0x01, "First", 1, -50, 2412000);
    one.insert(one.end(), a.begin(), a.end());
    first.oids[0x0D010217] = one;
    auto& second = Adapter(4, "WLAN2", {{"10.2.2.34", "255.255.0.0"}});
    Bytes two = Le32(2);
    for (const Bytes& e : {AccessPoint(0x02, "Campus", 1, -48, 2437000), AccessPoint(0x03, "Lab", 0, -71, 5180000)})
        two.insert(two.end(), e.begin(), e.end());
    second.oids[0x0D010217] = two;
    const std::string report = Report();
    EXPECT_NE(report.find("Scanned Access Points (2):\tBSSID\t\tPrivacy\tRSSI\tChannel\tSSID\r\n"
                          "    \t\t\t10:20:30:40:50:02\t   1\t-48\t6\tCampus\r\n"
                          "    \t\t\t10:20:30:40:50:03\t   0\t-71\t36\tLab\r\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("First"), std::string::npos);
}

TEST_F(NetworkInfoTest, MalformedAccessPointListsStopAtTheLastWholeEntry) {
    auto& wlan = Adapter(3, "WLAN", {{"10.1.2.34", "255.255.0.0"}});
    const Bytes good = AccessPoint(0x01, "Good", 1, -50, 2412000);
    Bytes zeroLength = good;
    std::fill(zeroLength.begin(), zeroLength.begin() + 4, 0);
    Bytes tooLong = good;
    const Bytes huge = Le32(5000);
    std::copy(huge.begin(), huge.end(), tooLong.begin());
    for (const Bytes& bad : {zeroLength, tooLong}) {
        Bytes list = Le32(7);  // claims more entries than there are
        list.insert(list.end(), good.begin(), good.end());
        list.insert(list.end(), bad.begin(), bad.end());
        wlan.oids[0x0D010217] = list;
        const std::string report = Report();
        EXPECT_NE(report.find("Scanned Access Points (7):"), std::string::npos);
        EXPECT_NE(report.find("Good\r\n"), std::string::npos);
        EXPECT_EQ(report.find("\t\t\t10:20:30:40:50:01", report.find("Good\r\n")), std::string::npos) << report;
    }
}

TEST_F(NetworkInfoTest, NoAdapterListMeansNoReport) {
    m.host.faults().Inject("GetAdaptersInfo", 232);
    EXPECT_EQ(NetworkInfoReport(m.platform, m.log), std::nullopt);
}

}  // namespace
}  // namespace zelta
