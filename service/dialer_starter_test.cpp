// The one program the helper service starts, and the guards around it.
#include "service/dialer_starter.h"

#include <gtest/gtest.h>

#include "service/service_events.h"
#include "tests/support/service_machine.h"

namespace zelta {
namespace {

using testing::ServiceMachine;

TEST(DialerCommandLine, OnlyAFullPathOnADriveQuotedWhole) {
    EXPECT_EQ(DialerCommandLine("C:\\Dialer\\dial.exe"), "\"C:\\Dialer\\dial.exe\"");
    EXPECT_EQ(DialerCommandLine("c:\\Program Files\\Zelta VPN\\dial.exe"), "\"c:\\Program Files\\Zelta VPN\\dial.exe\"");
    for (const char* refused : {"", "dial.exe", "Dialer\\dial.exe", "\\\\server\\share\\dial.exe", "C:dial.exe", "C:\\",
                                "C:\\Dialer\\", "C:\\Dialer\\dial.exe\" -evil", "C:\\Dialer\\dial.exe\r\n",
                                "1:\\Dialer\\dial.exe"})
        EXPECT_FALSE(DialerCommandLine(refused)) << refused;
    EXPECT_TRUE(DialerCommandLine("C:\\" + std::string(256, 'a')));
    EXPECT_FALSE(DialerCommandLine("C:\\" + std::string(257, 'a')));  // past MAX_PATH
}

class DialerStarterTest : public ::testing::Test {
protected:
    DialerStarterTest() {
        settings.Load();
        m.host.SetTickCount(1000);
    }
    ServiceMachine m;
    sim::SimProcess& service = m.host.NewProcess("ZeltaService.exe", "SYSTEM", "Service-0x0-3e7$");
    Log log{service.platform()};
    DialerSettings settings{service.platform(), log};
    DialerStarter starter{service.platform(), log};
};

TEST_F(DialerStarterTest, ADialerAUserCouldReplaceIsNeverStarted) {
    const ObjectOwner users{Principal::Users, "S-1-5-32-545"};
    m.host.files().Guards()["C:\\Dialer"] = FileGuard{{Principal::Administrators, "S-1-5-32-544"}, {users}};
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Failed);
    m.host.RunFor(0);
    EXPECT_TRUE(m.Dialers().empty());
    EXPECT_NE(m.LogText().find("ZeltaService: \"C:\\Dialer\\dial.exe\" is not started: C:\\Dialer can be changed by "
                               "Users (S-1-5-32-545)\r\n"),
              std::string::npos);
    ASSERT_FALSE(m.host.machine().eventLog.empty());
    EXPECT_EQ(m.host.machine().eventLog.back().eventId, service_event::kProgramRefused);
    EXPECT_EQ(m.host.machine().eventLog.back().type, EventType::Error);

    // Owned by a user, even with nobody else writing: the user could grant themselves the right.
    m.host.files().Guards().clear();
    m.host.files().Guards()["C:\\Dialer\\dial.exe"] = FileGuard{{std::nullopt, "S-1-5-21-1-2-3-1013"}, {}};
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Failed);
    EXPECT_NE(m.LogText().find("is not started: C:\\Dialer\\dial.exe is owned by S-1-5-21-1-2-3-1013\r\n"), std::string::npos);

    // Held while it starts: nobody renames it from under the start.
    m.host.files().Guards().clear();
    Win32Error renamed = 0;
    m.host.journal().SetSink([&](std::string_view kind, std::string_view text) {
        if (kind == "run" && renamed == 0 && text.find("dial.exe") != std::string_view::npos)
            renamed = service.platform().files.Rename("C:\\Dialer\\dial.exe", "C:\\Dialer\\old.exe");
    });
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Started);
    m.host.journal().SetSink(nullptr);
    EXPECT_EQ(renamed, err::kSharingViolation);
}

TEST_F(DialerStarterTest, StartsInTheSystemAccountOnTheAskedDesktopAndSession) {
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 2), StartOutcome::Started);
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Default 2"});
    EXPECT_EQ(m.host.commands().back().commandLine, "\"C:\\Dialer\\dial.exe\"");
    m.host.RunFor(5000);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::Logon, 0), StartOutcome::Started);
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers().back(), "SYSTEM Winlogon 0");
}

TEST_F(DialerStarterTest, NeverWhileADialerRunsThereAndNotTwiceWithinFiveSeconds) {
    ASSERT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Started);
    m.host.RunFor(0);  // it takes the instance mutex of session 0
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::AlreadyRunning);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 1), StartOutcome::Started);  // another session's own
    m.host.RunFor(0);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::Logon, 1), StartOutcome::AlreadyRunning);
    EXPECT_EQ(m.Dialers().size(), 2u);

    // A dialer that died at once: the next start in its session waits out the five seconds.
    m.host.faults().Inject("CreateMutex", 5, {}, 1);
    m.host.RunFor(ServiceMachine::dialerLifeMs);  // both have gone
    ASSERT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Started);
    m.host.RunFor(0);  // it could not take the mutex and ended
    m.host.RunFor(4999);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::TooSoon);
    m.host.RunFor(1);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Started);
}

TEST_F(DialerStarterTest, AFailedStartIsLoggedAndDoesNotHoldUpTheNext) {
    m.host.faults().Inject("CreateProcessAsUser", 1314, {}, 1);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Failed);
    EXPECT_NE(m.LogText().find("ZeltaService: cannot start \"C:\\Dialer\\dial.exe\" in session 0 on winsta0\\default, "
                               "error 1314\r\n"),
              std::string::npos);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Started);

    m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe\" /evil");
    settings.Load();
    m.host.RunFor(6000);
    EXPECT_EQ(starter.Start(settings, DialerDesktop::User, 0), StartOutcome::Failed);
    EXPECT_NE(m.LogText().find("\"ZeltaVPNPath\" is not the full path of a program"), std::string::npos);
    EXPECT_EQ(m.Dialers().size(), 1u);
}

}  // namespace
}  // namespace zelta
