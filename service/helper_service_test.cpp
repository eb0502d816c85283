// The helper service's answers, refusals and starts: one client at a time through a fake
// connection, and the whole program run by the simulated service control manager.
#include "service/helper_service.h"

#include <gtest/gtest.h>

#include "tests/support/service_machine.h"

namespace zelta {
namespace {

using testing::ServiceMachine;

class FakeConnection final : public PipeConnection {
public:
    explicit FakeConnection(std::vector<std::uint8_t> bytes, Win32Error readResult = err::kSuccess)
        : m_request(std::move(bytes)), m_readResult(readResult) {}

    Win32Error Read(std::vector<std::uint8_t>& message) override {
        if (m_readResult != err::kSuccess) return m_readResult;
        const std::size_t capacity = kLargestRequest;
        message.assign(m_request.begin(), m_request.begin() + static_cast<std::ptrdiff_t>(std::min(capacity, m_request.size())));
        return m_request.size() > capacity ? err::kMoreData : err::kSuccess;
    }
    Win32Error Write(std::span<const std::uint8_t> message) override {
        written.emplace_back(message.begin(), message.end());
        return err::kSuccess;
    }
    Win32Error Identify(PipeClient& out) override {
        out = client;
        return identifyResult;
    }

    PipeClient client{"CAMPUS\\alice", 0, false};
    Win32Error identifyResult = err::kSuccess;
    std::vector<std::vector<std::uint8_t>> written;

private:
    std::vector<std::uint8_t> m_request;
    Win32Error m_readResult;
};

// A client of the service's own account: the system-account dialer.
FakeConnection FromSystem(std::vector<std::uint8_t> bytes) {
    FakeConnection connection(std::move(bytes));
    connection.client = PipeClient{"NT AUTHORITY\\SYSTEM", 0, false, true};
    return connection;
}

std::vector<std::uint8_t> Request2(std::string_view address) {
    std::vector<std::uint8_t> bytes{2};
    bytes.insert(bytes.end(), address.begin(), address.end());
    return bytes;
}

const std::vector<std::vector<std::uint8_t>> kDone{{0x00}};
const std::vector<std::vector<std::uint8_t>> kFailed{{0xFF}};
const std::vector<std::vector<std::uint8_t>> kNothing{};

class HelperServiceTest : public ::testing::Test {
protected:
    HelperServiceTest() { DialerSettings(service.platform(), log).Load(); }  // the log is on from the service's start

    // Serves one client and returns what it was written.
    std::vector<std::vector<std::uint8_t>> Serve(FakeConnection connection) {
        helper.Serve(connection);
        m.host.RunFor(0);
        return connection.written;
    }
    bool Logged(std::string_view text) { return m.LogText().find(text) != std::string::npos; }
    ServiceState State(std::string_view name) { return m.host.FindService(name)->state; }

    ServiceMachine m;
    sim::SimProcess& service = m.host.NewProcess("ZeltaService.exe", "SYSTEM", "Service-0x0-3e7$");
    Log log{service.platform()};
    HelperService helper{service.platform(), log, true};
};

TEST_F(HelperServiceTest, HostileRequestsGetFFAndALogLineThatQuotesOnlyTheirBytes) {
    EXPECT_EQ(Serve(FakeConnection({3, '\r', '\n', 'x'})), kFailed);
    EXPECT_TRUE(Logged("ZeltaService: refused 03 0d 0a 78 from CAMPUS\\alice (session 0): an unknown request kind 3\r\n"));
    EXPECT_EQ(Serve(FakeConnection(std::vector<std::uint8_t>(300, 2))), kFailed);
    EXPECT_TRUE(Logged("longer than any request"));
    EXPECT_EQ(Serve(FromSystem(Request2("10.1.0.1; format c:"))), kFailed);
    EXPECT_TRUE(Logged("a server address that is not a dotted quad"));
    // inet_addr would read this one as 8.1.0.1, the check as 10.1.0.1: neither may take it.
    EXPECT_EQ(Serve(FromSystem(Request2("010.1.0.1"))), kFailed);
    EXPECT_TRUE(Logged("ZeltaService: refused 02 30 31 30 2e 31 2e 30 2e 31 from NT AUTHORITY\\SYSTEM (session 0): "
                       "a server address that is not a dotted quad\r\n"));
    EXPECT_EQ(Serve(FakeConnection({1})), kFailed);
    // None of them touched a service or started a program.
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_FALSE(m.host.FindService("policyagent"));
}

TEST_F(HelperServiceTest, SilentVanishedRemoteAndUnknownClientsAreDropped) {
    EXPECT_EQ(Serve(FakeConnection({}, pipe_error::kWaitTimeout)), kNothing);
    EXPECT_TRUE(Logged("ZeltaService: a client sent nothing for 1 second and was dropped\r\n"));
    EXPECT_EQ(Serve(FakeConnection({}, pipe_error::kBrokenPipe)), kNothing);
    EXPECT_EQ(Serve(FakeConnection({}, pipe_error::kOperationAborted)), kNothing);

    FakeConnection remote({1, 0});
    remote.client = PipeClient{"OTHER\\mallory", 0, true};
    EXPECT_EQ(Serve(std::move(remote)), kNothing);
    EXPECT_TRUE(Logged("ZeltaService: refused OTHER\\mallory, a client from the network\r\n"));

    FakeConnection unknown({1, 0});
    unknown.identifyResult = 1368;  // ERROR_CANNOT_IMPERSONATE
    EXPECT_EQ(Serve(std::move(unknown)), kFailed);
    EXPECT_TRUE(m.Dialers().empty());
}

TEST_F(HelperServiceTest, Request2StopsWhatStandsInTheWayAndRequest4StartsAgainOnlyWhatRan) {
    m.host.AddService("cvpnd", ServiceState::Running);
    m.host.AddService("cvpndrv", ServiceState::Stopped);
    m.host.AddService("ExtranetAccess", ServiceState::Running);
    m.host.AddService("EAClient", ServiceState::Running).dependsOn = {"ExtranetAccess"};
    m.host.AddService("policyagent", ServiceState::Stopped);

    EXPECT_EQ(Serve(FromSystem(Request2("10.1.0.1"))), kDone);
    EXPECT_EQ(State("cvpnd"), ServiceState::Stopped);
    EXPECT_EQ(State("ExtranetAccess"), ServiceState::Stopped);
    EXPECT_EQ(State("EAClient"), ServiceState::Stopped);
    EXPECT_EQ(State("policyagent"), ServiceState::Running);
    EXPECT_TRUE(Logged("ZeltaService: request 2 from NT AUTHORITY\\SYSTEM (session 0) for 10.1.0.1: IPsec prepared\r\n"));
    EXPECT_EQ(Serve(FromSystem(Request2("10.1.0.1"))), kDone);  // a redial finds them stopped already

    std::vector<std::string> started;
    m.host.journal().SetSink([&](std::string_view kind, std::string_view text) {
        if (kind == "service" && text.ends_with(" start-pending")) started.emplace_back(text);
    });
    EXPECT_EQ(Serve(FromSystem({4, 0})), kDone);
    m.host.journal().SetSink(nullptr);
    EXPECT_TRUE(Logged("ZeltaService: request 4 from NT AUTHORITY\\SYSTEM (session 0): 3 service(s) to start again\r\n"));
    // The service before the dependant stopped ahead of it; what was stopped before stays stopped.
    EXPECT_EQ(started, (std::vector<std::string>{"ExtranetAccess start-pending", "EAClient start-pending",
                                                 "cvpnd start-pending"}));
    EXPECT_EQ(State("cvpndrv"), ServiceState::Stopped);
    EXPECT_EQ(Serve(FromSystem({4, 0})), kDone);
    EXPECT_TRUE(Logged("(session 0): 0 service(s) to start again\r\n"));
}

TEST_F(HelperServiceTest, Request2FailsWhenThePolicyAgentWillNotRun) {
    m.host.AddService("policyagent", ServiceState::Stopped).failsToStart = true;
    EXPECT_EQ(Serve(FromSystem(Request2("10.1.0.1"))), kFailed);
    EXPECT_TRUE(Logged("for 10.1.0.1: the IPsec policy agent did not start\r\n"));
}

TEST_F(HelperServiceTest, Requests2And4ComeOnlyFromTheServicesOwnAccount) {
    m.host.AddService("cvpnd", ServiceState::Running);
    m.host.AddService("policyagent", ServiceState::Stopped);
    EXPECT_EQ(Serve(FakeConnection(Request2("10.1.0.1"))), kFailed);
    EXPECT_TRUE(Logged("ZeltaService: refused 02 31 30 2e 31 2e 30 2e 31 from CAMPUS\\alice (session 0): "
                       "only the service's own account may ask for this\r\n"));
    EXPECT_EQ(Serve(FromSystem(Request2("10.1.0.1"))), kDone);
    EXPECT_EQ(Serve(FakeConnection({4, 0})), kFailed);
    EXPECT_TRUE(Logged("ZeltaService: refused 04 00 from CAMPUS\\alice (session 0): only the service's own account"));
    EXPECT_EQ(State("cvpnd"), ServiceState::Stopped);  // the user's request 4 started nothing again
}

TEST_F(HelperServiceTest, TenRefusalsAMinuteAreLoggedAndTheRestCountedInTheNextMinute) {
    m.host.RunFor(60000 - m.host.Now() % 60000);  // the start of a clock minute (the clock starts on one)
    for (int i = 0; i < 25; ++i) EXPECT_EQ(Serve(FakeConnection({3, static_cast<std::uint8_t>(i)})), kFailed);
    const std::string text = m.LogText();
    std::size_t records = 0;
    for (std::size_t at = text.find("ZeltaService: refused 03"); at != std::string::npos;
         at = text.find("ZeltaService: refused 03", at + 1))
        ++records;
    EXPECT_EQ(records, 10u);
    EXPECT_FALSE(Logged("refusals not logged"));
    EXPECT_EQ(Serve(FromSystem({4, 0})), kDone);  // answers are not refusals: logged as ever
    EXPECT_TRUE(Logged("ZeltaService: request 4 from NT AUTHORITY\\SYSTEM"));

    m.host.RunFor(60000);
    EXPECT_EQ(Serve(FakeConnection({3, 99})), kFailed);
    EXPECT_TRUE(Logged("ZeltaService: 15 refusals not logged\r\n"));
    EXPECT_TRUE(Logged("ZeltaService: refused 03 63 from"));
}

TEST_F(HelperServiceTest, AFailedRevertToSelfEndsTheConnectionUnanswered) {
    FakeConnection stuck(FromSystem({4, 0}));
    stuck.identifyResult = pipe_error::kCannotRevert;
    EXPECT_FALSE(helper.Serve(stuck));
    EXPECT_TRUE(stuck.written.empty());
    FakeConnection fine(FromSystem({4, 0}));
    EXPECT_TRUE(helper.Serve(fine));
}

TEST_F(HelperServiceTest, Request1StartsNoneWhileADialerRunsInAnotherSession) {
    sim::SimProcess& running = m.host.NewProcess("dial.exe", "SYSTEM", "Default");  // session 0
    ASSERT_EQ(running.platform().instance.ClaimMutex(kInstanceMutexName), err::kSuccess);
    FakeConnection second({1, 0});
    second.client.session = 2;
    EXPECT_EQ(Serve(std::move(second)), kDone);
    EXPECT_TRUE(m.Dialers().empty());
    EXPECT_TRUE(Logged("ZeltaService: request 1 from CAMPUS\\alice (session 2): a dialer runs already in session 0\r\n"));
    running.End();
    m.host.RunFor(0);
    FakeConnection again({1, 0});
    again.client.session = 2;
    EXPECT_EQ(Serve(std::move(again)), kDone);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Default 2"});
}

TEST_F(HelperServiceTest, Request1StartsOneDialerInTheCallersSession) {
    FakeConnection first({1, 0});
    first.client.session = 3;
    EXPECT_EQ(Serve(std::move(first)), kDone);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Default 3"});
    m.host.RunFor(10000);
    FakeConnection second({1, 0});
    second.client.session = 3;
    EXPECT_EQ(Serve(std::move(second)), kDone);  // it runs already: still one
    EXPECT_EQ(m.Dialers().size(), 1u);
    EXPECT_TRUE(Logged("ZeltaService: request 1 from CAMPUS\\alice (session 3): a dialer runs already\r\n"));

    m.SetString("ZeltaVPNPath", "dial.exe");
    EXPECT_EQ(Serve(FakeConnection({1, 0})), kFailed);
    EXPECT_EQ(m.Dialers().size(), 1u);
}

TEST_F(HelperServiceTest, TheLogOnScreenAndALogOnGetTheirDialerAsTheSettingsSay) {
    m.host.SetInputDesktop("Winlogon");
    helper.OnSessionChange({SessionChange::Kind::LogonScreen, 0});
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Winlogon 0"});

    // A log-on while the log-on screen's dialer still runs: the user's starts once that one is gone.
    m.host.RunFor(6000);
    m.host.SetInputDesktop("Default");
    helper.OnSessionChange({SessionChange::Kind::UserLogon, 0});
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers().size(), 1u);
    m.host.RunFor(5000);  // the log-on dialer sees the log-on and leaves
    helper.TryPendingStart();
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers().back(), "SYSTEM Default 0");

    // "WINLOGON" 0: no dialer on the log-on screen; "Launch at Boot Up" off: none at all.
    m.host.RunFor(ServiceMachine::dialerLifeMs);
    m.SetDword("WINLOGON", 0);
    helper.OnSessionChange({SessionChange::Kind::LogonScreen, 0});
    m.SetDword("WINLOGON", 1);
    m.SetDword("SetupFlags", 12);
    helper.OnSessionChange({SessionChange::Kind::UserLogon, 1});
    helper.OnSessionChange({SessionChange::Kind::LogonScreen, 0});
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers().size(), 2u);
}

TEST_F(HelperServiceTest, APendingStartGivesUpWhenADialerStaysForThirtySeconds) {
    sim::SimProcess& running = m.host.NewProcess("dial.exe", "SYSTEM", "Default");
    ASSERT_EQ(running.platform().instance.ClaimMutex(kInstanceMutexName), err::kSuccess);
    helper.OnSessionChange({SessionChange::Kind::UserLogon, 0});
    for (int tick = 0; tick < 20; ++tick) {
        m.host.RunFor(HelperService::kTickMs);
        helper.TryPendingStart();
    }
    EXPECT_TRUE(Logged("ZeltaService: a dialer runs already in session 0; none started for the log-on\r\n"));
    running.End();
    m.host.RunFor(HelperService::kTickMs);
    helper.TryPendingStart();
    m.host.RunFor(0);
    EXPECT_TRUE(m.Dialers().empty());
}

// --- the whole program, as the service control manager runs it ---

class ServiceProgramTest : public ::testing::Test {
protected:
    Win32Error Send(std::vector<std::uint8_t> request, std::vector<std::uint8_t>& reply, std::string account = "Alice",
                    bool network = false) {
        sim::ProcessFacts facts{"client.exe", account, "Default", "client.exe", 0, {}, {}, network};
        sim::SimProcess& client = m.host.Start(facts, [](sim::SimProcess&) { return 0; });
        std::unique_ptr<PipeClientEnd> end;
        Win32Error rc = client.platform().pipes.Open(kServicePipeName, 5000, end);
        if (rc == err::kSuccess) rc = end->Transact(request, 1024, reply);
        return rc;
    }
    Win32Error Control(bool start) {
        sim::SimProcess& sc = m.host.NewProcess("sc.exe", "Administrator", "Default");
        std::unique_ptr<ServiceControlManager> manager;
        std::unique_ptr<Service> service;
        ServiceStatus status;
        sc.platform().services.Connect(manager);
        manager->Open(kHelperServiceName, service_access::kStart | service_access::kStop, service);
        return start ? service->Start() : service->Stop(status);
    }
    ServiceState State() { return m.host.FindService(kHelperServiceName)->state; }
    // A client that opens the pipe and says nothing for a minute.
    void StartSilentClient() {
        sim::ProcessFacts facts{"client.exe", "Alice", "Default", "silent", 0, {}, {}, false};
        m.host.Start(facts, [](sim::SimProcess& p) {
            std::unique_ptr<PipeClientEnd> end;
            p.platform().pipes.Open(kServicePipeName, pipe_wait::kNoWait, end);
            p.platform().clock.Sleep(60000);
            return 0;
        });
    }

    ServiceMachine m;
};

TEST_F(ServiceProgramTest, InstalledItAnswersUsersAndRefusesTheNetwork) {
    m.SetDword("SetupFlags", 12);  // no dialer at the service's start
    ASSERT_EQ(m.RunService({"-install"}), 0) << m.Stdout();
    std::vector<std::uint8_t> reply;
    EXPECT_EQ(Send({1, 0}, reply), err::kSuccess);
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0});
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Default 0"});
    EXPECT_EQ(Send({1, 0}, reply, "OTHER\\mallory", true), err::kAccessDenied);
    EXPECT_EQ(m.host.machine().eventLog.front().eventId, 0x40000064u);
}

TEST_F(ServiceProgramTest, AStopEndsItWhileItWaitsAndWhileASilentClientHoldsThePipe) {
    m.SetDword("SetupFlags", 12);
    ASSERT_EQ(m.RunService({"-install"}), 0);
    StartSilentClient();
    m.host.RunFor(100);
    const auto asked = m.host.Now();
    ASSERT_EQ(Control(false), err::kSuccess);
    m.host.RunFor(0);
    EXPECT_EQ(State(), ServiceState::Stopped);
    EXPECT_EQ(m.host.Now(), asked);
    EXPECT_FALSE(m.host.machine().servedPipes.contains(std::string(kServicePipeName)));
    EXPECT_TRUE(m.LogText().find("ZeltaService: stopped\r\n") != std::string::npos);

    ASSERT_EQ(Control(true), err::kSuccess);
    m.host.RunFor(5000);
    ASSERT_EQ(Control(false), err::kSuccess);  // idle, waiting for a client
    m.host.RunFor(0);
    EXPECT_EQ(State(), ServiceState::Stopped);
}

TEST_F(ServiceProgramTest, SilentClientsHoldNoOneUpAndAreDroppedAfterASecond) {
    m.SetDword("SetupFlags", 12);
    ASSERT_EQ(m.RunService({"-install"}), 0);
    for (int i = 0; i < 3; ++i) StartSilentClient();
    m.host.RunFor(0);
    const auto start = m.host.Now();
    std::vector<std::uint8_t> reply;
    EXPECT_EQ(Send({1, 0}, reply), err::kSuccess);  // another instance takes it at once
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0});
    EXPECT_EQ(m.host.Now(), start);
    m.host.RunFor(0);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Default 0"});
    m.host.RunFor(HelperService::kRequestWaitMs);
    std::size_t dropped = 0;
    const std::string text = m.LogText();
    for (auto at = text.find("sent nothing for 1 second"); at != std::string::npos; at = text.find("sent nothing", at + 1))
        ++dropped;
    EXPECT_EQ(dropped, 3u);

    // Every instance held by a silent client: the next one waits about a second, not forever.
    for (unsigned i = 0; i < HelperService::kPipeInstances; ++i) StartSilentClient();
    m.host.RunFor(0);
    const auto full = m.host.Now();
    EXPECT_EQ(Send({3, 0}, reply), err::kSuccess);
    EXPECT_EQ(reply, std::vector<std::uint8_t>{0xFF});
    EXPECT_LE(m.host.Now() - full, HelperService::kRequestWaitMs);
}

TEST_F(ServiceProgramTest, AProgramThatTookThePipeFirstStopsTheServiceWithAnError) {
    m.host.AddPipeServer(std::string(kServicePipeName)).owner = "Mallory";
    EXPECT_EQ(m.RunService({"-install"}), 1);
    m.host.RunFor(0);
    EXPECT_NE(m.Stdout().find("installed, but it stopped at once, error 5"), std::string::npos) << m.Stdout();
    EXPECT_EQ(State(), ServiceState::Stopped);
    ASSERT_FALSE(m.host.machine().eventLog.empty());
    const auto& event = m.host.machine().eventLog.back();
    EXPECT_EQ(event.type, EventType::Error);
    EXPECT_EQ(event.strings, std::vector<std::string>{"another program created \\\\.\\pipe\\zeltavpn first (error 5)"});
}

TEST_F(ServiceProgramTest, StartedWithTheMachineOnTheLogOnScreenThenAUserLogsOn) {
    m.host.SetInputDesktop("Winlogon");
    ASSERT_EQ(m.RunService({"-install"}), 0);
    EXPECT_EQ(m.Dialers(), std::vector<std::string>{"SYSTEM Winlogon 0"});
    m.host.SetInputDesktop("Default");
    m.host.NotifyServices({ServiceControlKind::SessionLogon, 0});
    m.host.RunFor(5000 + HelperService::kTickMs);  // the log-on screen's dialer leaves within 5 seconds
    EXPECT_EQ(m.Dialers(), (std::vector<std::string>{"SYSTEM Winlogon 0", "SYSTEM Default 0"}));
}

TEST_F(ServiceProgramTest, OnWindows2000TheDesktopTellsOfTheLogOn) {
    m.host.SetOsVersion(5, 0);
    m.host.SetInputDesktop("Winlogon");
    ASSERT_EQ(m.RunService({"-install"}), 0);
    EXPECT_FALSE(m.host.FindService(kHelperServiceName)->acceptsSessionChanges);
    m.host.SetInputDesktop("Default");
    m.host.RunFor(5000 + 2 * HelperService::kTickMs);
    EXPECT_EQ(m.Dialers(), (std::vector<std::string>{"SYSTEM Winlogon 0", "SYSTEM Default 0"}));
}

}  // namespace
}  // namespace zelta
