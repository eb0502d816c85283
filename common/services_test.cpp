// Stopping and starting services, and the IPsec preparation, on the simulated machine's clock.
#include "common/services.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() {
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        settings.Load();
    }
    std::string Stdout() {
        std::string text;
        for (const auto& line : m.host.machine().standardOutput) text += line.text;
        return text;
    }
    SettingsMachine m;
    DialerSettings settings{m.platform, m.log};
};

TEST_F(ServicesTest, StoppingStopsTheActiveDependantsFirstAndWaitsOnTheClock) {
    auto& vpn = m.host.AddService("cvpnd", ServiceState::Running);
    vpn.stopDelay = 700;
    auto& client = m.host.AddService("cvpnclient", ServiceState::Running);
    client.dependsOn = {"cvpnd"};
    client.stopDelay = 400;
    m.host.AddService("idle", ServiceState::Stopped).dependsOn = {"cvpnd"};

    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), 0);
    EXPECT_EQ(m.host.FindService("cvpnclient")->state, ServiceState::Stopped);
    EXPECT_EQ(m.host.FindService("cvpnd")->state, ServiceState::Stopped);
    EXPECT_EQ(m.host.Now(), 1500u);  // the dependant stopped by the 600 ms poll, the service by the 1500 ms one
    EXPECT_EQ(Stdout(), "Service stopped.\n");
}

TEST_F(ServicesTest, DependantsOfDependantsAreListedFirstAndStoppedInThatOrder) {
    m.host.AddService("cvpnd", ServiceState::Running);
    m.host.AddService("cvpnclient", ServiceState::Running).dependsOn = {"cvpnd"};
    m.host.AddService("cvpnui", ServiceState::Running).dependsOn = {"cvpnclient"};
    m.host.AddService("cvpnlog", ServiceState::Running).dependsOn = {"cvpnclient", "cvpnd"};
    std::unique_ptr<ServiceControlManager> manager;
    ASSERT_EQ(m.platform.services.Connect(manager), err::kSuccess);
    std::unique_ptr<Service> service;
    ASSERT_EQ(manager->Open("cvpnd", 0xFF, service), err::kSuccess);
    std::vector<std::string> dependants;
    ASSERT_EQ(service->ActiveDependents(dependants), err::kSuccess);
    // Each comes before what it depends on, and once however many ways it depends.
    EXPECT_EQ(dependants, (std::vector<std::string>{"cvpnlog", "cvpnui", "cvpnclient"}));

    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), 0);
    for (const char* name : {"cvpnd", "cvpnclient", "cvpnui", "cvpnlog"})
        EXPECT_EQ(m.host.FindService(name)->state, ServiceState::Stopped) << name;
}

TEST_F(ServicesTest, AServiceOnItsWayUpRefusesTheStopControl) {
    auto& starting = m.host.AddService("cvpnd", ServiceState::StartPending);
    std::unique_ptr<ServiceControlManager> manager;
    ASSERT_EQ(m.platform.services.Connect(manager), err::kSuccess);
    std::unique_ptr<Service> service;
    ASSERT_EQ(manager->Open("cvpnd", 0xFF, service), err::kSuccess);
    ServiceStatus status;
    EXPECT_EQ(service->Stop(status), service_error::kServiceCannotAcceptControl);
    starting.state = ServiceState::StopPending;
    EXPECT_EQ(service->Stop(status), service_error::kServiceCannotAcceptControl);
    starting.state = ServiceState::StartPending;
    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), -1);
}

TEST_F(ServicesTest, AStoppedServiceCountsAsStoppedAndAMissingOneFails) {
    m.host.AddService("cvpnd", ServiceState::Stopped);
    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), 0);
    EXPECT_EQ(StopServiceByName(m.platform, "nosuch"), -1);
    EXPECT_EQ(m.host.Now(), 0u);
}

TEST_F(ServicesTest, AServiceStuckStopPendingTimesOut) {
    auto& stuck = m.host.AddService("cvpnd", ServiceState::StopPending);
    stuck.hangsStopping = true;
    std::unique_ptr<ServiceControlManager> manager;
    ASSERT_EQ(m.platform.services.Connect(manager), err::kSuccess);
    std::unique_ptr<Service> service;
    ASSERT_EQ(manager->Open("cvpnd", service_access::kQueryStatus | service_access::kStop |
                                         service_access::kEnumerateDependents, service),
              err::kSuccess);
    EXPECT_EQ(StopServiceAndDependents(m.platform.clock, *manager, *service, 3000), 1460);
    EXPECT_EQ(m.host.Now(), 3300u);
    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), -1);
    EXPECT_EQ(Stdout(), "");
}

TEST_F(ServicesTest, RefusedControlsFailTheStop) {
    m.host.AddService("cvpnd", ServiceState::Running);
    m.host.faults().Inject("ControlService", err::kAccessDenied, "cvpnd");
    EXPECT_EQ(StopServiceByName(m.platform, "cvpnd"), -1);
    m.host.faults().Clear();
    m.host.faults().Inject("EnumDependentServices", err::kAccessDenied, "cvpnd");
    std::unique_ptr<ServiceControlManager> manager;
    m.platform.services.Connect(manager);
    std::unique_ptr<Service> service;
    manager->Open("cvpnd", 0xFF, service);
    EXPECT_EQ(StopServiceAndDependents(m.platform.clock, *manager, *service, 3000), 5);
}

TEST_F(ServicesTest, StartingReEnablesADisabledServiceAndWaitsForRunning) {
    auto& agent = m.host.AddService("policyagent", ServiceState::Stopped, ServiceStartType::Disabled);
    agent.startDelay = 500;
    EXPECT_EQ(StartServiceByName(m.platform.services, m.platform.clock, m.log, "policyagent"), 0);
    EXPECT_EQ(agent.startType, ServiceStartType::Demand);
    EXPECT_EQ(agent.state, ServiceState::Running);
    EXPECT_EQ(m.host.Now(), 600u);
    EXPECT_EQ(StartServiceByName(m.platform.services, m.platform.clock, m.log, "policyagent"), 1);
}

TEST_F(ServicesTest, AFailedStartIsLoggedAndLeavesTheServiceOnDemandStart) {
    auto& agent = m.host.AddService("policyagent", ServiceState::Stopped, ServiceStartType::Disabled);
    m.host.faults().Inject("StartService", 1053, "policyagent");
    EXPECT_EQ(StartServiceByName(m.platform.services, m.platform.clock, m.log, "policyagent"), -1);
    EXPECT_EQ(agent.startType, ServiceStartType::Demand);
    EXPECT_NE(m.LogText().find("Unable to start service, error=1053\r\n"), std::string::npos);

    m.host.faults().Clear();
    agent.failsToStart = true;
    agent.startDelay = 100;
    EXPECT_EQ(StartServiceByName(m.platform.services, m.platform.clock, m.log, "policyagent"), -1);
    EXPECT_NE(m.LogText().find("Timed out starting service\r\n"), std::string::npos);

    EXPECT_EQ(StartServiceByName(m.platform.services, m.platform.clock, m.log, "nosuch"), -1);
    EXPECT_NE(m.LogText().find("Unable to open service\r\n"), std::string::npos);
}

TEST_F(ServicesTest, PreparationStopsConflictingServicesThenStartsTheAgentOnce) {
    m.host.AddService("cvpnd", ServiceState::Running);
    m.host.AddService("VPN5000Service", ServiceState::Stopped);
    m.host.AddService("policyagent", ServiceState::Running);
    EXPECT_EQ(PrepareIpsecService(settings), 0);
    EXPECT_EQ(settings.ipsecServiceState, ipsec_service::kPrepared);
    const std::string log = m.LogText();
    EXPECT_NE(log.find("Stopping cvpnd service\r\n"), std::string::npos);
    EXPECT_NE(log.find("Stopping VPN5000Service service\r\n"), std::string::npos);
    EXPECT_NE(log.find("Starting IPSEC service\r\nDec 07 01:20:06: Started IPSEC service\r\n"), std::string::npos);

    m.host.SetServiceState("cvpnd", ServiceState::Running);
    EXPECT_EQ(PrepareIpsecService(settings), 0);  // prepared once: nothing repeats
    EXPECT_EQ(m.host.FindService("cvpnd")->state, ServiceState::Running);
}

TEST_F(ServicesTest, PreparationWithNothingToDoOrWithoutL2tp) {
    m.host.AddService("policyagent", ServiceState::Running);
    EXPECT_EQ(PrepareIpsecService(settings), 0);
    EXPECT_EQ(settings.ipsecServiceState, ipsec_service::kNothingToDo);
    m.host.AddService("cvpnd", ServiceState::Running);  // appears later: nothing is done any more
    EXPECT_EQ(PrepareIpsecService(settings), 0);
    EXPECT_EQ(m.host.FindService("cvpnd")->state, ServiceState::Running);

    SettingsMachine other;
    other.SetDword("L2TP", 0);
    other.host.AddService("cvpnd", ServiceState::Running);
    DialerSettings pptp(other.platform, other.log);
    pptp.Load();
    EXPECT_EQ(PrepareIpsecService(pptp), 0);
    EXPECT_EQ(pptp.ipsecServiceState, ipsec_service::kNothingToDo);
    EXPECT_EQ(other.host.FindService("cvpnd")->state, ServiceState::Running);
}

TEST_F(ServicesTest, AnAgentThatWillNotStartLeavesThePreparationToBeRepeated) {
    EXPECT_EQ(PrepareIpsecService(settings), -1);
    EXPECT_EQ(settings.ipsecServiceState, ipsec_service::kNotPrepared);
    m.SetDword("DEBUG", 31);
    settings.Load();
    m.host.AddService("policyagent", ServiceState::Stopped);
    EXPECT_EQ(PrepareIpsecService(settings), 0);
    EXPECT_EQ(settings.ipsecServiceState, ipsec_service::kPrepared);
}

}  // namespace
}  // namespace zelta
