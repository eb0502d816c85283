// The simulated machine as a process sees it: clock, identity, services, names, and loud failures
// for anything a test forgot to set up.
#include "platform/sim/sim_host.h"

#include <gtest/gtest.h>

namespace zelta::sim {
namespace {

TEST(SimHost, ClockFollowsVirtualTimeAcrossMidnightAndTheTickCountWraps) {
    SimHost host;
    host.SetInputDesktop("Default");
    host.SetWallClock(LocalTime{2026, 12, 31, 23, 59, 58, 500, 0});
    host.SetTickCount(0xFFFFFF00u);
    auto& process = host.NewProcess("dial.exe", "SYSTEM");
    host.RunFor(2000);

    LocalTime now;
    ASSERT_TRUE(process.platform().clock.Now(now));
    EXPECT_EQ(now.year, 2027);
    EXPECT_EQ(now.month, 1);
    EXPECT_EQ(now.day, 1);
    EXPECT_EQ(now.hour, 0);
    EXPECT_EQ(now.second, 0);
    EXPECT_EQ(now.millisecond, 500);
    EXPECT_EQ(now.dayOfWeek, 5);  // a Friday
    EXPECT_EQ(process.platform().clock.TickCount(), 0xFFFFFF00u + 2000u);  // wrapped past zero

    host.faults().Inject("GetLocalTime", 1, "", 1);
    EXPECT_FALSE(process.platform().clock.Now(now));
}

TEST(SimHost, UnconfiguredFactsFailLoudlyNamingWhatToSet) {
    SimHost host;
    EXPECT_THROW(host.NewProcess("dial.exe", "SYSTEM"), SimSetupError);
    auto& process = host.NewProcess("dial.exe", "SYSTEM", "Winlogon");
    OsVersion version;
    try {
        process.platform().system.QueryOsVersion(version);
        FAIL() << "an unset OS version was answered";
    } catch (const SimSetupError& e) {
        EXPECT_NE(std::string(e.what()).find("SetOsVersion"), std::string::npos) << e.what();
    }
    LocalTime now;
    EXPECT_THROW(process.platform().clock.Now(now), SimSetupError);
}

TEST(SimHost, EachProcessHasItsOwnIdentity) {
    SimHost host;
    host.SetInputDesktop("Winlogon");
    host.SetOsVersion(5, 0);
    auto& service = host.NewProcess("dial.exe", "SYSTEM");
    host.SetInputDesktop("Default");
    auto& user = host.NewProcess("dial.exe", "Alice");

    std::string text;
    ASSERT_EQ(user.platform().system.AccountName(text), err::kSuccess);
    EXPECT_EQ(text, "Alice");
    ASSERT_EQ(service.platform().system.ThreadDesktopName(text), err::kSuccess);
    EXPECT_EQ(text, "Winlogon");
    ASSERT_EQ(service.platform().system.InputDesktopName(text), err::kSuccess);
    EXPECT_EQ(text, "Default");

    service.platform().system.DebugOutput("RasGetEntryProperties failed\n");
    ASSERT_EQ(host.machine().debugOutput.size(), 1u);
    EXPECT_EQ(host.machine().debugOutput[0].program, "dial.exe");

    EXPECT_TRUE(service.platform().system.ErrorText(2, text));
    EXPECT_EQ(text, "The system cannot find the file specified.\r\n");
    EXPECT_FALSE(service.platform().system.ErrorText(0x2000'0001, text));
    EXPECT_TRUE(text.empty());
}

TEST(SimHost, ServicesExistAndChangeStateOnSchedule) {
    SimHost host;
    host.SetInputDesktop("Default");
    host.AddService("ExtranetAccess", ServiceState::Running);
    host.scheduler().At(500, [&] { host.SetServiceState("extranetaccess", ServiceState::Stopped); });
    auto& process = host.NewProcess("dial.exe", "SYSTEM");

    std::unique_ptr<ServiceControlManager> scm;
    ASSERT_EQ(process.platform().services.Connect(scm), err::kSuccess);
    std::unique_ptr<Service> service;
    EXPECT_EQ(scm->Open("cvpnd", service_access::kQueryStatus, service), err::kServiceDoesNotExist);
    ASSERT_EQ(scm->Open("ExtranetAccess", service_access::kQueryStatus, service), err::kSuccess);
    ServiceStatus status;
    ASSERT_EQ(service->QueryStatus(status), err::kSuccess);
    EXPECT_EQ(status.state, ServiceState::Running);
    process.platform().clock.Sleep(300);
    EXPECT_EQ((service->QueryStatus(status), status.state), ServiceState::Running);
    process.platform().clock.Sleep(300);
    EXPECT_EQ((service->QueryStatus(status), status.state), ServiceState::Stopped);
}

TEST(SimHost, NamesResolveOnlyAfterWinsockStarted) {
    SimHost host;
    host.SetInputDesktop("Default");
    host.AddHostName("zelta-switch", Ipv4{{10, 1, 0, 1}});
    auto& process = host.NewProcess("rasdial.exe", "Alice");
    Ipv4 address;
    EXPECT_EQ(process.platform().resolver.Resolve("zelta-switch", address), err::kWsaNotInitialised);
    process.SetWinsockStartedForTesting(true);
    ASSERT_EQ(process.platform().resolver.Resolve("ZELTA-SWITCH", address), err::kSuccess);
    EXPECT_EQ(address.ToString(), "10.1.0.1");
    EXPECT_EQ(process.platform().resolver.Resolve("elsewhere", address), err::kWsaHostNotFound);
}

TEST(SimHost, StartedProcessesRunIndependentlyAndReportTheirExitCode) {
    SimHost host;
    host.SetInputDesktop("Default");
    host.SetWallClock(LocalTime{2026, 12, 7, 1, 20, 0, 0, 1});
    host.files().AddDirectory("C:\\Dialer");
    auto writer = [](const char* text, std::uint32_t delay) {
        return [text, delay](SimProcess& p) {
            p.platform().clock.Sleep(delay);
            p.platform().files.AppendText("C:\\Dialer\\vpn.log", text);
            return static_cast<int>(delay);
        };
    };
    auto& slow = host.Start("dial.exe", "SYSTEM", writer("slow\n", 4000));
    auto& fast = host.Start("rundll32.exe", "Alice", writer("fast\n", 1000));
    host.RunFor(10000);
    EXPECT_TRUE(slow.HasEnded());
    EXPECT_TRUE(fast.HasEnded());
    EXPECT_EQ(slow.exitCode(), 4000);
    EXPECT_EQ(host.files().Text("C:\\Dialer\\vpn.log"), "fast\r\nslow\r\n");
}

}  // namespace
}  // namespace zelta::sim

namespace zelta::sim {
namespace {

TEST(SimHost, TheTrueVersionComesFromRtlGetVersionAndGetVersionExAnswersByTheManifest) {
    SimHost host;
    host.SetOsVersion(10, 0, 19045);
    OsVersion seen;
    ASSERT_EQ(host.NewProcess("rasphone.exe", "Alice", "Default").platform().system.QueryOsVersion(seen), err::kSuccess);
    EXPECT_EQ(seen.major, 10u);  // RtlGetVersion, whatever the program
    host.faults().Inject("RtlGetVersion", 127);  // an ntdll without it: GetVersionEx answers
    ASSERT_EQ(host.NewProcess("rasphone.exe", "Alice", "Default").platform().system.QueryOsVersion(seen), err::kSuccess);
    EXPECT_EQ(seen.major, 6u);
    EXPECT_EQ(seen.minor, 2u);  // what Windows 8.1 and later tell a program whose manifest does not name them
    ASSERT_EQ(host.NewProcess("dial.exe", "SYSTEM", "Default").platform().system.QueryOsVersion(seen), err::kSuccess);
    EXPECT_EQ(seen.major, 10u);  // ours names them
}

}  // namespace
}  // namespace zelta::sim

namespace zelta::sim {
namespace {

TEST(SimHost, AServiceMarkedForDeletionGoesOnceStoppedAndItsLastHandleIsClosed) {
    SimHost host;
    host.SetOsVersion(5, 1);
    host.AddService("cvpnd", ServiceState::Running);
    Platform& os = host.NewProcess("sc.exe", "Administrator", "Default").platform();
    std::unique_ptr<ServiceControlManager> manager;
    ASSERT_EQ(os.services.Connect(manager), err::kSuccess);
    std::unique_ptr<Service> service;
    ASSERT_EQ(manager->Open("cvpnd", service_access::kStop | service_access::kDelete | service_access::kQueryStatus, service),
              err::kSuccess);
    ASSERT_EQ(service->Delete(), err::kSuccess);
    EXPECT_NE(host.FindService("cvpnd"), nullptr);  // still running: only marked
    ServiceStatus status;
    service->Stop(status);
    host.RunFor(10000);
    ASSERT_NE(host.FindService("cvpnd"), nullptr);  // stopped, but a handle is open
    EXPECT_EQ(host.FindService("cvpnd")->state, ServiceState::Stopped);
    service.reset();
    EXPECT_EQ(host.FindService("cvpnd"), nullptr);  // the last handle closed: gone
}

}  // namespace
}  // namespace zelta::sim
