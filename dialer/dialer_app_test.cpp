// The start-up roads of dial.exe.
#include "dialer/dialer_app.h"

#include <gtest/gtest.h>

#include "dialer/test_campus.h"

namespace zelta {
namespace {

using testing::DialerMachine;
using Bytes = std::vector<std::uint8_t>;

StartRoad Start(DialerMachine& m, const std::string& account) {
    auto& process = m.host.NewProcess("dial.exe", account, "Default");
    Log log(process.platform());
    return DialerApp(process.platform(), log).InitInstance();
}

TEST(DialerApp, AnOrdinaryAccountCreatesAMissingEntryAsksTheServiceAndEnds) {
    DialerMachine m;
    auto& service = m.HelperService();
    EXPECT_EQ(Start(m, "Alice"), StartRoad::UserContext);
    ASSERT_NE(m.Entry(), nullptr);
    EXPECT_EQ(m.Entry()->szCustomDialDll, "C:\\Dialer\\zeltavpn.dll");
    EXPECT_EQ(service.received, std::vector<Bytes>{Bytes({0x01, 0x00})});
    EXPECT_TRUE(m.host.machine().mutexHolders.empty());
}

TEST(DialerApp, AnOrdinaryAccountLeavesAnExistingEntryAlone) {
    DialerMachine m;
    m.HelperService();
    RasEntry old;
    old.szLocalPhoneNumber = "192.0.2.1";
    m.host.phonebook().entries["Zelta VPN"] = old;
    EXPECT_EQ(Start(m, "Alice"), StartRoad::UserContext);
    EXPECT_TRUE(m.host.phonebook().writes.empty());
    EXPECT_EQ(m.Entry()->szLocalPhoneNumber, "192.0.2.1");
}

TEST(DialerApp, TheSystemAccountInAnyCaseTakesTheDialerRoadOnce) {
    DialerMachine m;
    m.HelperService();
    EXPECT_EQ(Start(m, "system"), StartRoad::FirstCopy);
    EXPECT_EQ(m.Entry(), nullptr);
    EXPECT_TRUE(m.host.FindPipeServer(kServicePipeName)->received.empty());
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::SecondCopy);
    m.host.machine().sharedWindows["dial.exe"] = WindowHandle{0x1234};
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::SecondCopyWindow);
}

TEST(DialerApp, AnUnreadableAccountNameIsTreatedAsTheSystemAccount) {
    DialerMachine m;
    m.host.faults().Inject("GetUserName", err::kAccessDenied);
    EXPECT_EQ(Start(m, "Alice"), StartRoad::FirstCopy);
}

TEST(DialerApp, AMutexThatCannotBeCreatedMeansAnotherCopy) {
    DialerMachine m;
    m.host.faults().Inject("CreateMutex", err::kAccessDenied);
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::SecondCopy);
}

TEST(DialerApp, WithoutWinsockTheFirstCopyEndsSilently) {
    DialerMachine m;
    m.host.faults().Inject("WSAStartup", 10091);  // WSASYSNOTREADY
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::NoWinsock);
    EXPECT_EQ(m.LogText(), "<no file>");
}

TEST(DialerApp, TheMutexIsFreeAgainWhenTheFirstCopyHasEnded) {
    DialerMachine m;
    auto& first = m.host.Start("dial.exe", "SYSTEM", [](sim::SimProcess& p) {
        Log log(p.platform());
        const StartRoad road = DialerApp(p.platform(), log).InitInstance();
        p.platform().clock.Sleep(1000);  // holding the mutex meanwhile
        return static_cast<int>(road);
    });
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::SecondCopy);
    m.host.RunFor(1000);
    EXPECT_TRUE(first.HasEnded());
    EXPECT_EQ(first.exitCode(), static_cast<int>(StartRoad::FirstCopy));
    EXPECT_EQ(Start(m, "SYSTEM"), StartRoad::FirstCopy);
}

}  // namespace
}  // namespace zelta
