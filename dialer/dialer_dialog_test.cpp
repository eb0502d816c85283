// The dialer window's own behaviour, on the simulated desktop: the status pane's limit, a missing
// notification area, Explorer restarting, and the markers and requests of its end.
#include "dialer/dialer_dialog.h"

#include <gtest/gtest.h>

#include "dialer/resource.h"
#include "tests/support/dialer_machine.h"

namespace zelta {
namespace {

using testing::DialerMachine;

class DialerDialogTest : public ::testing::Test {
protected:
    sim::SimWindow& Open() {
        m.HelperService();
        dialer = &m.StartDialer("SYSTEM");
        sim::SimWindow* window = m.host.desktop().Top();
        if (!window) throw std::runtime_error("the dialer window did not open");
        return *window;
    }
    // Runs `action` on the dialer's own thread, as its message loop would.
    void OnDialer(sim::SimWindow& window, std::function<void(DialerDialog&)> action) {
        window.Post([action](sim::SimWindow& w) { action(dynamic_cast<DialerDialog&>(w.controller())); });
        m.host.RunFor(0);
    }
    DialerMachine m;
    sim::SimProcess* dialer = nullptr;
};

TEST_F(DialerDialogTest, APaneOverItsLimitIsEmptiedByTheNextAppend) {
    sim::SimWindow& window = Open();
    EXPECT_EQ(window.ControlText(IDC_STATUS), "Not Connected.\r\n\r\n");
    OnDialer(window, [](DialerDialog& d) { d.pane().AppendStatus(std::string(8192 - 18, 'x')); });
    EXPECT_EQ(window.ControlText(IDC_STATUS).size(), 8192u);  // at the limit: kept
    OnDialer(window, [](DialerDialog& d) { d.pane().AppendStatus("a\r\n"); });
    EXPECT_EQ(window.ControlText(IDC_STATUS).size(), 8195u);
    OnDialer(window, [](DialerDialog& d) { d.pane().AppendStatus("Connecting...\r\n"); });
    EXPECT_EQ(window.ControlText(IDC_STATUS), "Connecting...\r\n");  // over it: the pane starts afresh
}

TEST_F(DialerDialogTest, WithoutANotificationAreaTheDialerCarriesOnAndAddsItsIconWhenExplorerComes) {
    m.host.desktop().trayAvailable = false;
    sim::SimWindow& window = Open();
    EXPECT_TRUE(m.host.desktop().trayIcons.empty());
    EXPECT_TRUE(window.IsVisible());
    OnDialer(window, [](DialerDialog& d) { d.tray().SetTray(TrayState::Connected, "10.1.0.1"); });  // nothing to modify: no harm

    m.host.desktop().trayAvailable = true;
    const std::uint32_t taskbarCreated = m.host.desktop().registeredMessages.at("TaskbarCreated");
    window.Post([taskbarCreated](sim::SimWindow& w) { w.controller().OnRegisteredMessage(taskbarCreated, 0, 0); });
    m.host.RunFor(0);
    ASSERT_EQ(m.host.desktop().trayIcons.size(), 1u);
    EXPECT_EQ(m.host.desktop().trayIcons.begin()->second, IDI_TRAY_CONNECTED);  // the state's own icon
}

TEST_F(DialerDialogTest, TheEndRemovesThePolicyNotifiesTheServiceAndClearsTheMarkers) {
    m.host.files().WriteText("C:\\Dialer\\ipseccmd.exe", "");
    sim::SimWindow& window = Open();
    EXPECT_EQ(m.Dword("IsRunning"), 1u);
    EXPECT_EQ(m.host.machine().sharedSections["dial.exe"].Window(), window.Handle());
    window.Post([](sim::SimWindow& w) { w.Command(IDM_TRAY_EXIT); });
    m.host.RunFor(0);
    EXPECT_TRUE(dialer->HasEnded());
    EXPECT_EQ(m.Dword("IsRunning"), 0u);
    EXPECT_EQ(m.Dword("Disable"), 1u);
    ASSERT_FALSE(m.host.commands().empty());
    EXPECT_EQ(m.host.commands().back().commandLine, "\"C:\\Dialer\\ipseccmd\" -w REG -p ZELTAWLANIPSEC -y -o");
    EXPECT_EQ(m.HelperService().received.back(), (std::vector<std::uint8_t>{0x04, 0x00}));
    EXPECT_TRUE(m.host.desktop().trayIcons.empty());
}

TEST_F(DialerDialogTest, EnterIsConnectAndDoesNotEndTheDialog) {
    sim::SimWindow& window = Open();
    window.Post([](sim::SimWindow& w) { w.Command(dialog_result::kOk); });
    m.host.RunFor(0);
    EXPECT_FALSE(dialer->HasEnded());
    EXPECT_FALSE(window.controller().ReportsDefaultButton());
}

TEST_F(DialerDialogTest, TheTitleStaysPlainWithoutADialerNameEvenWhenDebugging) {
    sim::SimWindow& window = Open();  // DialerMachine sets DEBUG 31 and no DIALER_NAME
    EXPECT_EQ(window.Title(), "VPN Dialer");
    EXPECT_EQ(m.host.machine().debugOutput.front().text, "VPN Dialer");
}

TEST_F(DialerDialogTest, ABannerThatIsNoPictureIsTriedOnceAndAnEmptyOneNotAtAll) {
    m.host.files().WriteText("C:\\Dialer\\banner.jpg", "not a picture");
    sim::SimWindow& window = Open();
    for (int i = 0; i < 3; ++i) {
        window.Post([](sim::SimWindow& w) { w.controller().OnPaint(); });
        m.host.RunFor(0);
    }
    const std::string log = m.LogText();
    const auto first = log.find("Could not load banner, using default.\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Could not load banner", first + 1), std::string::npos);
    EXPECT_TRUE(window.canvas().empty());

    DialerMachine empty;
    empty.host.files().WriteText("C:\\Dialer\\banner.jpg", "");
    empty.StartDialer("SYSTEM");
    empty.host.RunFor(1000);
    EXPECT_EQ(empty.LogText().find("banner"), std::string::npos);
}

}  // namespace
}  // namespace zelta
