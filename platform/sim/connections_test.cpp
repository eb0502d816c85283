// The simulated far end: what a dial reports and when, hang-up, lost links, and the record forms each
// Windows takes.
#include <gtest/gtest.h>

#include "platform/sim/sim_host.h"

namespace zelta::sim {
namespace {

// A window that only records the dial events reaching it.
class DialWatcher final : public DialogController {
public:
    std::vector<std::string> events;
    std::uint32_t message = 0;
    void OnInitDialog(Window&) override {}
    bool OnCommand(int) override { return false; }
    bool OnRegisteredMessage(std::uint32_t m, std::uintptr_t state, std::intptr_t error) override {
        if (m == message) events.push_back(std::to_string(state) + (error ? "!" + std::to_string(error) : ""));
        return true;
    }
};

class ConnectionsTest : public ::testing::Test {
protected:
    ConnectionsTest() {
        host.SetOsVersion(5, 1);
        host.SetInputDesktop("Default");
        resources.dialogs.push_back({1, 1033, "w", "", 10, 10, {}});
        host.SetImageResources("dial.exe", resources);
        host.phonebook().entries["Zelta VPN"] = RasEntry{};
        host.machine().vpnServer.accepts["alice"] = "pw";
        host.machine().vpnServer.projection = std::make_pair("10.9.9.9", "10.1.0.1");
        host.machine().vpnServer.step = 100;
        watcherProcess = &host.Start("dial.exe", "SYSTEM", [this](SimProcess& p) {
            watcher.message = p.platform().dialogs.RegisterMessage("RasDialEvent");
            return p.platform().dialogs.DoModal(1, watcher);
        });
    }
    RasConnectionHandle Dial(const std::string& user, const std::string& password) {
        RasDialParams params;
        params.szEntryName = "Zelta VPN";
        params.szUserName = user;
        params.szPassword.Assign(password);
        RasConnectionHandle handle;
        EXPECT_EQ(ras().Dial(params, true, host.desktop().Top()->Handle(), handle), err::kSuccess);
        return handle;
    }
    RemoteAccess& ras() { return driver.platform().remoteAccess; }

    ResourceSet resources;
    SimHost host;
    DialWatcher watcher;
    SimProcess* watcherProcess = nullptr;
    SimProcess& driver = host.NewProcess("probe.exe", "SYSTEM", "Default");
};

TEST_F(ConnectionsTest, AnAcceptedDialReportsEveryStateAtItsPaceAndBringsATunnel) {
    const RasConnectionHandle handle = Dial("alice", "pw");
    host.RunFor(1050);
    EXPECT_EQ(watcher.events, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "10", "14", "18"}));
    std::string client, server;
    ASSERT_EQ(ras().GetIpProjection(handle, client, server), err::kSuccess);
    EXPECT_EQ(client, "10.9.9.9");
    std::uint32_t ifIndex = 0;
    EXPECT_EQ(driver.platform().ipHelper.BestInterface(Ipv4{{10, 9, 9, 9}}, ifIndex), err::kSuccess);
    host.RunFor(100);
    std::uint32_t state = 0;
    Win32Error error = 0;
    ASSERT_EQ(ras().GetConnectStatus(handle, state, error), err::kSuccess);
    EXPECT_EQ(state, rascs::kConnected);
}

TEST_F(ConnectionsTest, AWrongPasswordIsRefusedAtAuthentication) {
    Dial("alice", "nope");
    host.RunFor(5000);
    EXPECT_EQ(watcher.events.back(), "5!691");
    EXPECT_EQ(watcher.events.size(), 6u);
}

TEST_F(ConnectionsTest, HangUpTakesTheConfiguredPollsAndRemovesTheTunnel) {
    host.machine().vpnServer.hangupPolls = 3;
    const RasConnectionHandle handle = Dial("alice", "pw");
    host.RunFor(2000);
    ASSERT_EQ(ras().HangUp(handle), err::kSuccess);
    std::uint32_t state = 0;
    Win32Error error = 0;
    EXPECT_EQ(ras().GetConnectStatus(handle, state, error), err::kSuccess);
    EXPECT_EQ(ras().GetConnectStatus(handle, state, error), err::kSuccess);
    EXPECT_EQ(ras().GetConnectStatus(handle, state, error), 6u);
    std::uint32_t ifIndex = 0;
    EXPECT_NE(driver.platform().ipHelper.BestInterface(Ipv4{{10, 9, 9, 9}}, ifIndex), err::kSuccess);
}

TEST_F(ConnectionsTest, EachWindowsTakesOnlyItsOwnConnectionRecord) {
    Dial("alice", "pw");
    host.RunFor(2000);
    std::vector<RasConnection> connections;
    EXPECT_EQ(ras().EnumConnections(RasConnForm::Nt351, 16, connections), ras_error::kInvalidSize);
    ASSERT_EQ(ras().EnumConnections(RasConnForm::WindowsXp, 16, connections), err::kSuccess);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].szEntryName, "Zelta VPN");
    host.SetOsVersion(4, 0);
    EXPECT_EQ(ras().EnumConnections(RasConnForm::WindowsXp, 16, connections), ras_error::kInvalidSize);
    EXPECT_EQ(ras().EnumConnections(RasConnForm::Nt4, 16, connections), err::kSuccess);
}

TEST_F(ConnectionsTest, DialParametersKeepOrDropThePassword) {
    RasDialParams params;
    params.szEntryName = "Zelta VPN";
    params.szUserName = "alice";
    params.szPassword.Assign("pw");
    ASSERT_EQ(ras().SetEntryDialParams("", params, false), err::kSuccess);
    RasDialParams read;
    bool saved = false;
    ASSERT_EQ(ras().GetEntryDialParams("", "Zelta VPN", read, saved), err::kSuccess);
    EXPECT_TRUE(saved);
    EXPECT_EQ(read.szPassword.View(), "pw");
    ASSERT_EQ(ras().SetEntryDialParams("", params, true), err::kSuccess);
    RasDialParams again;
    ASSERT_EQ(ras().GetEntryDialParams("", "Zelta VPN", again, saved), err::kSuccess);
    EXPECT_FALSE(saved);
    EXPECT_EQ(again.szUserName, "alice");
    EXPECT_TRUE(again.szPassword.Empty());
    EXPECT_EQ(ras().GetEntryDialParams("", "Elsewhere", again, saved), ras_error::kCannotFindPhonebookEntry);

    // A user's own phonebook is another book: the entry and its parameters there are its own.
    const std::string book = "C:\\Documents and Settings\\alice\\rasphone.pbk";
    EXPECT_EQ(ras().GetEntryDialParams(book, "Zelta VPN", again, saved), ras_error::kCannotFindPhonebookEntry);
    host.machine().PhonebookAt(book).entries["Zelta VPN"] = RasEntry{};
    params.szUserName = "bob";
    ASSERT_EQ(ras().SetEntryDialParams(book, params, false), err::kSuccess);
    ASSERT_EQ(ras().GetEntryDialParams(book, "Zelta VPN", again, saved), err::kSuccess);
    EXPECT_EQ(again.szUserName, "bob");
    ASSERT_EQ(ras().GetEntryDialParams("", "Zelta VPN", again, saved), err::kSuccess);
    EXPECT_EQ(again.szUserName, "alice");
    ASSERT_EQ(ras().DeleteEntry(book, "Zelta VPN"), err::kSuccess);
    EXPECT_TRUE(host.machine().phonebook.entries.contains("Zelta VPN"));
    EXPECT_EQ(ras().DeleteEntry(book, "Zelta VPN"), ras_error::kCannotFindPhonebookEntry);
}

TEST_F(ConnectionsTest, ADialWithoutANotifierReturnsItsOutcomeAndCallbacksAreNotSimulated) {
    RasDialParams params;
    params.szEntryName = "Zelta VPN";
    params.szUserName = "alice";
    params.szPassword.Assign("pw");
    RasConnectionHandle handle;
    RasDialExtensions extensions;
    extensions.dwfOptions = kRasCustomDialOption;
    EXPECT_EQ(ras().DialWith(extensions, "", params, RasNotifier{}, handle), err::kSuccess);
    EXPECT_EQ(host.Now(), 1100u);  // every state, 100 ms apart
    EXPECT_TRUE(watcher.events.empty());
    ASSERT_TRUE(host.machine().vpnServer.lastExtensions);
    EXPECT_EQ(*host.machine().vpnServer.lastExtensions, extensions);
    ras().HangUp(handle);

    params.szPassword.Assign("wrong");
    EXPECT_EQ(ras().DialWith(extensions, "", params, RasNotifier{}, handle), ras_error::kAuthenticationFailure);
    EXPECT_TRUE(handle);  // the caller hangs it up
    EXPECT_THROW(ras().DialWith(extensions, "", params, RasNotifier{1, 0x401000}, handle), SimSetupError);
}

TEST_F(ConnectionsTest, AnEntryNamingAnUnknownCustomDialerIsDialledAsItIs) {
    host.phonebook().entries["Zelta VPN"].szCustomDialDll = "C:\\Other\\other.dll";  // no such library image
    RasDialParams params;
    params.szEntryName = "Zelta VPN";
    params.szUserName = "alice";
    params.szPassword.Assign("pw");
    RasConnectionHandle handle;
    EXPECT_EQ(ras().DialWith(RasDialExtensions{}, "", params, RasNotifier{}, handle), err::kSuccess);
    EXPECT_EQ(host.machine().vpnServer.lastExtensions->dwfOptions, 0u);
}

}  // namespace
}  // namespace zelta::sim
