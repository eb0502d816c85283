// Implements platform/service_manager.h over the simulated machine's services. Stops and starts take
// the service's configured delays on virtual time; faults refuse any control.
#include "platform/sim/service_manager.h"

#include <algorithm>

namespace zelta::sim {

const char* ServiceStateName(ServiceState state) {
    switch (state) {
        case ServiceState::Stopped: return "stopped";
        case ServiceState::StartPending: return "start-pending";
        case ServiceState::StopPending: return "stop-pending";
        case ServiceState::Running: return "running";
        default: return "paused";
    }
}

namespace {

void SetState(Machine& machine, const std::string& name, ServiceRecord& record, ServiceState state) {
    record.state = state;
    machine.journal.Note("service", name + " " + ServiceStateName(state));
}

using namespace service_access;

class OpenService final : public Service {
public:
    OpenService(Machine& machine, Scheduler& scheduler, std::string name, std::uint32_t access, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_name(std::move(name)), m_access(access), m_faults(faults) {}

    Win32Error QueryStatus(ServiceStatus& out) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("QueryServiceStatus", kQueryStatus, record)) return rc;
        out = ServiceStatus{record->state, 0};
        return err::kSuccess;
    }

    Win32Error QueryStartType(ServiceStartType& out) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("QueryServiceConfig", kQueryConfig, record)) return rc;
        out = record->startType;
        return err::kSuccess;
    }

    Win32Error ChangeStartType(ServiceStartType type) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("ChangeServiceConfig", kChangeConfig, record)) return rc;
        record->startType = type;
        m_machine.journal.Note("service", m_name + " start type " + std::to_string(static_cast<std::uint32_t>(type)));
        return err::kSuccess;
    }

    Win32Error Start() override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("StartService", kStart, record)) return rc;
        if (record->startType == ServiceStartType::Disabled) return service_error::kServiceDisabled;
        if (record->state != ServiceState::Stopped) return service_error::kServiceAlreadyRunning;
        SetState(m_machine, m_name, *record, ServiceState::StartPending);
        const ServiceState end = record->failsToStart ? ServiceState::Stopped : ServiceState::Running;
        Settle(record->startDelay, ServiceState::StartPending, end);
        return err::kSuccess;
    }

    Win32Error Stop(ServiceStatus& out) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("ControlService", kStop, record)) return rc;
        if (record->state == ServiceState::Stopped) return err::kServiceNotActive;
        for (const auto& [name, other] : m_machine.services) {
            const bool dependsOnUs = std::any_of(other.dependsOn.begin(), other.dependsOn.end(),
                                                 [&](const std::string& d) { return EqualsNoCase(d, m_name); });
            if (dependsOnUs && other.state != ServiceState::Stopped) return service_error::kDependentServicesRunning;
        }
        SetState(m_machine, m_name, *record, ServiceState::StopPending);
        if (!record->hangsStopping) Settle(record->stopDelay, ServiceState::StopPending, ServiceState::Stopped);
        out = ServiceStatus{record->state, 0};
        return err::kSuccess;
    }

    Win32Error ActiveDependents(std::vector<std::string>& names) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("EnumDependentServices", kEnumerateDependents, record)) return rc;
        names.clear();
        for (const auto& [name, other] : m_machine.services) {
            for (const auto& d : other.dependsOn)
                if (EqualsNoCase(d, m_name) && other.state != ServiceState::Stopped) names.push_back(name);
        }
        return err::kSuccess;
    }

private:
    // The common preamble of every call: injected faults, the handle's rights, the service itself.
    Win32Error Check(const char* call, std::uint32_t right, ServiceRecord*& record) {
        if (auto fault = m_faults.Check(call, m_name)) return *fault;
        if (!(m_access & right)) return err::kAccessDenied;
        const auto it = m_machine.services.find(m_name);
        if (it == m_machine.services.end()) return err::kInvalidHandle;  // deleted while open
        record = &it->second;
        return err::kSuccess;
    }

    // Moves the service from `from` to `to` after `delay`, unless something else changed it meanwhile.
    void Settle(std::uint64_t delay, ServiceState from, ServiceState to) {
        auto apply = [&machine = m_machine, name = m_name, from, to] {
            const auto it = machine.services.find(name);
            if (it != machine.services.end() && it->second.state == from) SetState(machine, name, it->second, to);
        };
        if (delay == 0) {
            apply();
        } else {
            m_scheduler.After(delay, apply);
        }
    }

    Machine& m_machine;
    Scheduler& m_scheduler;
    std::string m_name;
    std::uint32_t m_access;
    Faults& m_faults;
};

class OpenManager final : public ServiceControlManager {
public:
    OpenManager(Machine& machine, Scheduler& scheduler, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults) {}

    Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) override {
        if (auto fault = m_faults.Check("OpenService", name)) return *fault;
        const auto it = m_machine.services.find(name);
        if (it == m_machine.services.end()) return err::kServiceDoesNotExist;
        out = std::make_unique<OpenService>(m_machine, m_scheduler, it->first, access, m_faults);
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
};

}  // namespace

Win32Error SimServiceManager::Connect(std::unique_ptr<ServiceControlManager>& out) {
    if (auto fault = m_faults.Check("OpenSCManager")) return *fault;
    out = std::make_unique<OpenManager>(m_machine, m_scheduler, m_faults);
    return err::kSuccess;
}

}  // namespace zelta::sim
