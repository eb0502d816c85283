// The start-up roads of dial.exe.
#include "dialer/dialer_app.h"

#include <gtest/gtest.h>

#include "dialer/test_campus.h"

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
    m.host.machine().mutexHolders["MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA"] = 1;  // held, no window yet
    EXPECT_EQ(DialerMachine::Road(m.StartDialer("SYSTEM")), StartRoad::SecondCopy);
}

TEST(DialerApp, AnUnreadableAccountNameIsTreatedAsTheSystemAccount) {
    DialerMachine m;
    m.host.faults().Inject("GetUserName", err::kAccessDenied);
    m.StartDialer("Alice");
    EXPECT_NE(m.host.desktop().Top(), nullptr);
}

TEST(DialerApp, AMutexThatCannotBeCreatedMeansAnotherCopy) {
    DialerMachine m;
    m.host.faults().Inject("CreateMutex", err::kAccessDenied);
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
