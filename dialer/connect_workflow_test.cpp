// The connect workflow's finer points, on the simulated campus.
#include "dialer/dialer_dialog.h"

#include <gtest/gtest.h>

#include "dialer/resource.h"
#include "tests/support/dialer_machine.h"

namespace zelta {
namespace {

using testing::DialerMachine;

class ConnectWorkflowTest : public ::testing::Test {
protected:
    ConnectWorkflowTest() {
        m.SetDword("SetupFlags", 5);
        AdapterInfo wlan;
        wlan.AdapterName = "{WLAN}";
        wlan.Index = 3;
        wlan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};
        m.host.AddAdapter(wlan).oids[0x0D010101] = std::vector<std::uint8_t>(6, 0);
        m.host.AddHostName("zelta-wlan-switch", Ipv4{{10, 1, 0, 1}});
        m.host.machine().vpnServer.accepts["alice"] = "s3cret";
        m.host.machine().vpnServer.projection = std::make_pair("10.9.9.9", "10.1.0.1");
        m.HelperService();
    }
    sim::SimWindow& Open() {
        m.StartDialer("SYSTEM");
        return *m.host.desktop().Top();
    }
    void Do(sim::SimWindow& w, std::function<void(sim::SimWindow&)> action) {
        w.Post(std::move(action));
        m.host.RunFor(0);
    }
    void Type(sim::SimWindow& w, int id, const std::string& text) {
        Do(w, [id, text](sim::SimWindow& win) { win.FindControl(id)->text = text; });
    }
    void Click(sim::SimWindow& w, int id) {
        Do(w, [id](sim::SimWindow& win) { win.Command(id); });
    }
    bool Connected() {
        for (const auto& c : m.host.machine().connections)
            if (!c.hangingUp && c.state == rascs::kConnected) return true;
        return false;
    }
    DialerMachine m;
};

TEST_F(ConnectWorkflowTest, AMaskedPasswordDialsTheKnownPasswordNotTheAsterisks) {
    sim::SimWindow& w = Open();
    Type(w, IDC_USER_NAME, "alice");
    Type(w, IDC_PASSWORD, "s3cret");
    Click(w, IDC_CONNECT);
    m.host.RunFor(3000);
    ASSERT_TRUE(Connected());
    EXPECT_EQ(w.ControlText(IDC_PASSWORD), std::string(PASSWORD_MASK));
    Click(w, IDC_HANGUP);
    ASSERT_FALSE(Connected());
    Click(w, IDC_CONNECT);  // the box still shows the mask
    m.host.RunFor(3000);
    EXPECT_TRUE(Connected());
}

TEST_F(ConnectWorkflowTest, ADialErrorAfterHangUpShowsNothingAndDoesNotRedial) {
    m.host.machine().vpnServer.refusals[1] = 678;
    m.host.machine().vpnServer.step = 1000;
    sim::SimWindow& w = Open();
    Type(w, IDC_USER_NAME, "alice");
    Type(w, IDC_PASSWORD, "s3cret");
    Click(w, IDC_CONNECT);
    Click(w, IDC_HANGUP);  // before the server's answer
    // The remote-access manager may still report the attempt's end after the hang-up.
    const std::uint32_t dialEvent = m.host.desktop().registeredMessages.at("RasDialEvent");
    Do(w, [dialEvent](sim::SimWindow& win) { win.controller().OnRegisteredMessage(dialEvent, 0, 678); });
    m.host.RunFor(20000);
    EXPECT_EQ(w.ControlText(IDC_STATUS), "Not Connected.\r\n\r\n");
    EXPECT_EQ(m.host.machine().vpnServer.attempts, 1);
}

TEST_F(ConnectWorkflowTest, Error742IsFatalButOnly741And743AdviseRebooting) {
    EXPECT_TRUE(IsFatalRasError(742));
    EXPECT_FALSE(IsFatalRasError(678));
    for (Win32Error code : {645u, 646u, 647u, 648u, 691u, 739u, 741u, 742u, 743u, 756u, 781u})
        EXPECT_TRUE(IsFatalRasError(code)) << code;
    m.host.machine().vpnServer.refusals[1] = 742;
    sim::SimWindow& w = Open();
    Type(w, IDC_USER_NAME, "alice");
    Type(w, IDC_PASSWORD, "s3cret");
    Click(w, IDC_CONNECT);
    m.host.RunFor(1000);
    ASSERT_TRUE(m.host.desktop().messageBox.has_value());
    EXPECT_EQ(m.host.desktop().messageBox->text.find("rebooting"), std::string::npos);
    EXPECT_NE(m.host.desktop().messageBox->text.find("Error=742(0x000002E6)"), std::string::npos);
}

TEST_F(ConnectWorkflowTest, HangUpTellsTheHelperServiceOnlyWhenExtranetAccessIsInstalled) {
    sim::SimWindow& w = Open();
    Click(w, IDC_HANGUP);
    EXPECT_TRUE(m.HelperService().received.empty());

    DialerMachine other;
    other.host.AddService("ExtranetAccess", ServiceState::Stopped);
    auto& service = other.HelperService();
    other.StartDialer("SYSTEM");
    sim::SimWindow& w2 = *other.host.desktop().Top();
    w2.Post([](sim::SimWindow& win) { win.Command(IDC_HANGUP); });
    other.host.RunFor(0);
    EXPECT_EQ(service.received, (std::vector<std::vector<std::uint8_t>>{{0x04, 0x00}}));
}

TEST_F(ConnectWorkflowTest, AnEnumerationThatRefusesEveryRecordFormIsLogged) {
    m.host.faults().Inject("RasEnumConnections", ras_error::kInvalidSize);
    Open();
    EXPECT_NE(m.LogText().find("RasEnumConnections failed sizes err=632\r\n"), std::string::npos);
    m.host.faults().Clear();
}

TEST_F(ConnectWorkflowTest, WithoutAUserNameNothingIsStoredAndTheStoredOnesAreUsed) {
    m.host.phonebook().entries["Zelta VPN"] = RasEntry{};
    m.host.phonebook().dialParams["Zelta VPN"] = sim::SavedDialParams{"alice", "s3cret", true, ""};
    sim::SimWindow& w = Open();
    EXPECT_EQ(w.ControlText(IDC_USER_NAME), "alice");
    EXPECT_TRUE(w.IsChecked(IDC_SAVE_PASSWORD));
    Type(w, IDC_USER_NAME, "");
    Click(w, IDC_CONNECT);
    m.host.RunFor(3000);
    EXPECT_TRUE(Connected());
    EXPECT_EQ(m.host.phonebook().dialParams["Zelta VPN"].password, "s3cret");
}

TEST_F(ConnectWorkflowTest, TheSubnetRoutesUseTheLastAddressFoundTowardsTheServer) {
    const auto subnetCommands = [this] {
        std::vector<std::string> lines;
        for (const auto& run : m.host.commands())
            if (run.commandLine.find("MASK 255.255.0.0") != std::string::npos) lines.push_back(run.commandLine);
        m.host.machine().commands.clear();
        return lines;
    };
    const std::vector<std::string> wanted = {"route add 10.1.0.0 MASK 255.255.0.0 10.9.9.9",
                                             "route delete 10.1.0.0 MASK 255.255.0.0 10.1.2.34",
                                             "route add 10.1.0.0 MASK 255.255.0.0 10.1.2.34 metric 20"};
    sim::SimWindow& w = Open();
    Type(w, IDC_USER_NAME, "alice");
    Type(w, IDC_PASSWORD, "s3cret");
    Click(w, IDC_CONNECT);
    m.host.RunFor(3000);
    ASSERT_TRUE(Connected());
    EXPECT_EQ(subnetCommands(), wanted);
    Click(w, IDC_HANGUP);

    // The adapter lists no address for the next look (its lease is being renewed, say): the one found
    // before still names the subnet.
    m.host.FindAdapter(3)->info.IpAddressList.clear();
    Click(w, IDC_CONNECT);
    m.host.RunFor(3000);
    ASSERT_TRUE(Connected());
    EXPECT_EQ(subnetCommands(), wanted);
    Click(w, IDC_HANGUP);

    // A new address replaces it. (The direct route went with the old address: it comes back with the
    // new one.)
    m.host.FindAdapter(3)->info.IpAddressList = {{"10.1.7.8", "255.255.0.0"}};
    m.host.AddRoute(sim::RouteRow{Ipv4{{10, 1, 0, 0}}, Ipv4{{255, 255, 0, 0}}, Ipv4{{10, 1, 7, 8}}, 3, 20});
    Click(w, IDC_CONNECT);
    m.host.RunFor(3000);
    ASSERT_TRUE(Connected());
    EXPECT_EQ(subnetCommands(), (std::vector<std::string>{"route add 10.1.0.0 MASK 255.255.0.0 10.9.9.9",
                                                          "route delete 10.1.0.0 MASK 255.255.0.0 10.1.7.8",
                                                          "route add 10.1.0.0 MASK 255.255.0.0 10.1.7.8 metric 20"}));
}

}  // namespace
}  // namespace zelta
