// Windows services: probe, stop with dependants, start, and the IPsec preparation.
#include "common/services.h"

#include <memory>
#include <string>
#include <vector>

namespace zelta {
namespace {

constexpr std::uint32_t kPollMs = 300;
constexpr std::uint32_t kLimitMs = 3000;
constexpr std::string_view kPolicyAgent = "policyagent";

// Waits for `service` to reach "stopped", polling every 300 ms. `status` is its last known status.
int WaitStopped(Clock& clock, Service& service, ServiceStatus status, std::uint32_t start,
                std::uint32_t limitMs) {
    while (status.state != ServiceState::Stopped) {
        clock.Sleep(kPollMs);
        if (service.QueryStatus(status) != err::kSuccess) return -1;
        if (status.state == ServiceState::Stopped) return 0;
        if (clock.TickCount() - start > limitMs) return static_cast<int>(err::kTimeout);
    }
    return 0;
}

}  // namespace

int ServiceExists(ServiceManager& services, std::string_view name) {
    std::unique_ptr<ServiceControlManager> manager;
    if (services.Connect(manager) != err::kSuccess) return 0;
    std::unique_ptr<Service> service;
    return manager->Open(name, service_access::kQueryStatus, service) == err::kSuccess ? 1 : 0;
}

int StopServiceAndDependents(Clock& clock, ServiceControlManager& manager, Service& service, std::uint32_t limitMs,
                             StopTrace* trace) {
    const std::uint32_t start = clock.TickCount();
    ServiceStatus status;
    if (service.QueryStatus(status) != err::kSuccess) return -1;
    if (status.state == ServiceState::Stopped) return 0;
    // One already on its way down was stopped by somebody else: it is not ours to start again.
    const bool wasRunning = status.state != ServiceState::StopPending;

    while (status.state == ServiceState::StopPending) {
        clock.Sleep(kPollMs);
        if (service.QueryStatus(status) != err::kSuccess) return -1;
        if (status.state == ServiceState::Stopped) return 0;
        if (clock.TickCount() - start > limitMs) return static_cast<int>(err::kTimeout);
    }

    std::vector<std::string> dependents;
    if (const Win32Error rc = service.ActiveDependents(dependents); rc != err::kSuccess) return static_cast<int>(rc);
    for (const std::string& name : dependents) {
        std::unique_ptr<Service> dependent;
        if (manager.Open(name, service_access::kStop | service_access::kQueryStatus, dependent) != err::kSuccess)
            return -1;
        ServiceStatus dependentStatus;
        if (dependent->Stop(dependentStatus) != err::kSuccess) return -1;
        if (const int rc = WaitStopped(clock, *dependent, dependentStatus, start, limitMs); rc != 0) return rc;
        if (trace) trace->stopped.push_back(name);
    }

    if (service.Stop(status) != err::kSuccess) return -1;
    const int rc = WaitStopped(clock, service, status, start, limitMs);
    if (rc == 0 && wasRunning && trace) trace->stopped.emplace_back(trace->name);
    return rc;
}

int StopServiceByName(Platform& platform, std::string_view name, StoppedServices* stopped) {
    using namespace service_access;
    std::unique_ptr<ServiceControlManager> manager;
    if (platform.services.Connect(manager) != err::kSuccess) return -1;
    std::unique_ptr<Service> service;
    if (manager->Open(name, kQueryConfig | kChangeConfig | kQueryStatus | kEnumerateDependents | kStop, service) !=
        err::kSuccess)
        return -1;
    StopTrace trace{name, {}};
    const int rc = StopServiceAndDependents(platform.clock, *manager, *service, kLimitMs, &trace);
    // Dependants stopped before a failure stay stopped: they are remembered all the same.
    if (stopped) stopped->insert(stopped->end(), trace.stopped.begin(), trace.stopped.end());
    if (rc != 0) return -1;
    platform.system.WriteStdout("Service stopped.\n");
    return 0;
}

int StartServiceByName(ServiceManager& services, Clock& clock, Log& log, std::string_view name) {
    using namespace service_access;
    std::unique_ptr<ServiceControlManager> manager;
    if (services.Connect(manager) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Unable to open SC manager\n");
        return -1;
    }
    std::unique_ptr<Service> service;
    if (manager->Open(name, kQueryConfig | kChangeConfig | kQueryStatus | kStart, service) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Unable to open service\n");
        return -1;
    }

    ServiceStartType startType;
    if (const Win32Error rc = service->QueryStartType(startType); rc != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Cannot query service error=%d\n", static_cast<int>(rc));
        return -1;
    }
    // A disabled agent is re-enabled for good: the change stays even when the start then fails.
    if (startType == ServiceStartType::Disabled &&
        service->ChangeStartType(ServiceStartType::Demand) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Cannot re-enable disabled service\n");
        return -1;
    }

    ServiceStatus status;
    if (service->QueryStatus(status) == err::kSuccess && status.state == ServiceState::Running) return 1;
    if (const Win32Error rc = service->Start(); rc != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Unable to start service, error=%d\n", static_cast<int>(rc));
        return -1;
    }

    const std::uint32_t start = clock.TickCount();
    if (service->QueryStatus(status) != err::kSuccess) return -1;
    for (;;) {
        if (status.state == ServiceState::Running) return 0;
        if (clock.TickCount() - start > kLimitMs) {
            log.LogMessage(log_level::kMain, "Timed out starting service\n");
            return -1;
        }
        clock.Sleep(kPollMs);
        if (service->QueryStatus(status) != err::kSuccess) return -1;
    }
}

int PrepareIpsecService(DialerSettings& settings, StoppedServices* stopped) {
    Log& log = settings.log();
    if (!settings.l2tp) {
        settings.ipsecServiceState = ipsec_service::kNothingToDo;
        return 0;
    }
    if (settings.ipsecServiceState != ipsec_service::kNotPrepared) return 0;

    bool stoppedAny = false;
    for (std::string_view name : settings.conflictingServices) {
        if (StopServiceByName(settings.platform(), name, stopped) == 0) {
            log.LogMessage(log_level::kMain, "Stopping %s service\n", std::string(name).c_str());
            stoppedAny = true;
        }
    }

    log.LogMessage(log_level::kMain, "Starting IPSEC service\n");
    int started = 1;
    if (RoadFor(settings.osVersion) == WindowsRoad::Vista) {
        // Windows negotiates IPsec itself: its filtering engine, its keying module and the agent, in
        // the order they depend on each other.
        for (std::string_view name : {std::string_view("BFE"), std::string_view("IKEEXT"), std::string_view("PolicyAgent")}) {
            const int one = StartServiceByName(settings.platform().services, settings.platform().clock, log, name);
            if (one == -1) {
                log.LogMessage(log_level::kDevices, "Unable to start IPSEC service\n");
                return -1;
            }
            if (one == 0) started = 0;
        }
    } else {
        started = StartServiceByName(settings.platform().services, settings.platform().clock, log, kPolicyAgent);
        if (started == -1) {
            log.LogMessage(log_level::kDevices, "Unable to start IPSEC service\n");
            return -1;
        }
    }
    settings.ipsecServiceState = (started == 0 || stoppedAny) ? ipsec_service::kPrepared : ipsec_service::kNothingToDo;
    log.LogMessage(log_level::kMain, "Started IPSEC service\n");
    return 0;
}

}  // namespace zelta
