// The start-up roads of dial.exe.
#include "dialer/dialer_app.h"

#include <gtest/gtest.h>

#include "tests/support/dialer_machine.h"

namespace zelta {
namespace {

using testing::DialerMachine;
using Bytes = std::vector<std::uint8_t>;

TEST(DialerApp, AnOrdinaryAccountCreatesAMissingEntryAsksTheServiceAndEnds) {
    DialerMachine m;
    auto& service = m.HelperService();
    auto& alice = m.StartDialer("Alice");
    ASSERT_TRUE(alice.HasEnded());
    EXPECT_EQ(DialerMachine::Road(alice), StartRoad::UserContext);
    ASSERT_NE(m.Entry(), nullptr);
    EXPECT_EQ(m.Entry()->szCustomDialDll, "C:\\Dialer\\zeltavpn.dll");
    EXPECT_EQ(service.received, std::vector<Bytes>{Bytes({0x01, 0x00})});
    EXPECT_TRUE(m.host.machine().mutexHolders.empty());
    EXPECT_TRUE(m.host.desktop().windows.empty());
}

TEST(DialerApp, AnOrdinaryAccountLeavesAnExistingEntryAlone) {
    DialerMachine m;
    m.HelperService();
    RasEntry old;
    old.szLocalPhoneNumber = "192.0.2.1";
    m.host.phonebook().entries["Zelta VPN"] = old;
    EXPECT_EQ(DialerMachine::Road(m.StartDialer("Alice")), StartRoad::UserContext);
    EXPECT_TRUE(m.host.phonebook().writes.empty());
    EXPECT_EQ(m.Entry()->szLocalPhoneNumber, "192.0.2.1");
}

TEST(DialerApp, TheSystemAccountInAnyCaseRunsOneWindowAndASecondCopyBringsItForward) {
    DialerMachine m;
    m.HelperService();
    auto& first = m.StartDialer("system");
    EXPECT_FALSE(first.HasEnded());  // in its window's modal loop
    ASSERT_NE(m.host.desktop().Top(), nullptr);
    EXPECT_EQ(m.Entry(), nullptr);
    EXPECT_TRUE(m.host.FindPipeServer(kServicePipeName)->received.empty());

    sim::SimWindow& window = *m.host.desktop().Top();
    window.Post([](sim::SimWindow& w) { w.Close(); });  // the close box hides it
    m.host.RunFor(0);
    EXPECT_FALSE(window.IsVisible());

    auto& second = m.StartDialer("SYSTEM");
    m.host.RunFor(0);
    ASSERT_TRUE(second.HasEnded());
    EXPECT_EQ(DialerMachine::Road(second), StartRoad::SecondCopyWindow);
    EXPECT_TRUE(window.IsVisible());
    EXPECT_EQ(m.host.desktop().foreground, window.Handle());

    window.Post([](sim::SimWindow& w) { w.Command(dialog_result::kCancel); });  // Escape
    m.host.RunFor(0);
    EXPECT_TRUE(first.HasEnded());
    EXPECT_EQ(DialerMachine::Road(first), StartRoad::FirstCopy);
    EXPECT_TRUE(m.host.machine().mutexHolders.empty());
}

TEST(DialerApp, ASecondCopyBeforeTheFirstHasAWindowEndsWithoutDoingAnything) {
    DialerMachine m;
    m.host.machine().mutexHolders["MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA"] = {1, "SYSTEM"};  // held, no window yet
    EXPECT_EQ(DialerMachine::Road(m.StartDialer("SYSTEM")), StartRoad::SecondCopy);
}

TEST(DialerApp, AnUnreadableAccountNameIsTreatedAsTheSystemAccount) {
    DialerMachine m;
    m.host.faults().Inject("GetUserName", err::kAccessDenied);
    m.StartDialer("Alice");
    EXPECT_NE(m.host.desktop().Top(), nullptr);
}

// Only a copy of ours may keep the system account's window from opening.
TEST(DialerApp, AMutexOfAStrangerOrAnotherObjectsNameIsLoggedAndTheWindowOpensAllTheSame) {
    for (const bool otherObject : {false, true}) {
        SCOPED_TRACE(otherObject ? "another kind of object" : "a user's mutex");
        DialerMachine m;
        if (otherObject) {
            m.host.faults().Inject("CreateMutex", err::kInvalidHandle);
        } else {
            m.host.machine().mutexHolders["MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA"] = {0, "Mallory"};
        }
        auto& dialer = m.StartDialer("SYSTEM");
        EXPECT_FALSE(dialer.HasEnded());
        EXPECT_NE(m.host.desktop().Top(), nullptr);
        EXPECT_NE(m.LogText().find(otherObject ? "The instance mutex cannot be created, error 6: another program holds "
                                                 "its name; the dialer opens all the same"
                                               : "The instance mutex belongs to S-1-5-21-"),
                  std::string::npos)
            << m.LogText();
    }
}

TEST(DialerApp, ASecondCopyActsOnlyOnTheWindowOfARealFirstCopy) {
    DialerMachine m;
    m.host.machine().mutexHolders["MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA"] = {1, "SYSTEM"};
    auto planted = [&](sim::ForeignWindow window) {
        m.host.desktop().foreignWindows[0x4242] = std::move(window);
        m.host.machine().sharedSections["dial.exe"].SetWindow(WindowHandle{0x4242});
        EXPECT_EQ(DialerMachine::Road(m.StartDialer("SYSTEM")), StartRoad::SecondCopy);
        return m.host.desktop().foreignWindows[0x4242].touches;
    };
    const std::vector<std::string> none;
    EXPECT_EQ(planted({"evil.exe", {true, "C:\\Users\\mallory\\evil.exe"}, "SYSTEM", 0, {}}), none)
        << "another program's dialog";
    EXPECT_EQ(planted({"dial.exe", {true, "C:\\dial.exe"}, "Mallory", 0, {}}), none) << "a user's copy";
    EXPECT_EQ(planted({"dial.exe", {true, "C:\\dial.exe"}, "SYSTEM", 1, {}}), none) << "another session";
    EXPECT_EQ(planted({"dial.exe", {false, "C:\\dial.exe"}, "SYSTEM", 0, {}}), none) << "not a dialog";
    m.host.machine().sharedSections["dial.exe"].SetWindow(WindowHandle{0x5151});  // no such window at all
    EXPECT_EQ(DialerMachine::Road(m.StartDialer("SYSTEM")), StartRoad::SecondCopy);
}

TEST(DialerApp, WithoutWinsockTheFirstCopyEndsSilently) {
    DialerMachine m;
    m.host.faults().Inject("WSAStartup", 10091);  // WSASYSNOTREADY
    EXPECT_EQ(DialerMachine::Road(m.StartDialer("SYSTEM")), StartRoad::NoWinsock);
    EXPECT_EQ(m.LogText(), "<no file>");
    EXPECT_TRUE(m.host.desktop().windows.empty());
}

}  // namespace
}  // namespace zelta
