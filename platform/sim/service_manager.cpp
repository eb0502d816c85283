// Implements platform/service_manager.h over the simulated machine's services. Declared services take
// their configured delays on virtual time; installed ones start their program, which reports its own
// states, and take controls through their record. Faults refuse any call.
#include "platform/sim/service_manager.h"

#include <algorithm>
#include <set>

#include "platform/sim/accounts.h"
#include "platform/sim/programs.h"
#include "platform/sim/service_host.h"

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

using namespace service_access;

constexpr std::uint64_t kDispatcherWaitMs = 30000;  // how long StartService waits for the program to connect

class OpenService final : public Service {
public:
    OpenService(Machine& machine, Scheduler& scheduler, ProgramLauncher& launcher, std::string name,
                std::uint32_t access, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_launcher(launcher), m_name(std::move(name)), m_access(access),
          m_faults(faults) {
        if (const auto it = m_machine.services.find(m_name); it != m_machine.services.end()) ++it->second.openHandles;
    }
    ~OpenService() override {
        const auto it = m_machine.services.find(m_name);
        if (it == m_machine.services.end()) return;
        --it->second.openHandles;
        DeleteIfGone(m_machine, m_name);
    }

    Win32Error QueryStatus(ServiceStatus& out) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("QueryServiceStatus", kQueryStatus, record)) return rc;
        out = ServiceStatus{record->state, record->exitCode};
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

    Win32Error ChangeConfig(const ServiceConfig& config) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("ChangeServiceConfig", kChangeConfig, record)) return rc;
        record->displayName = config.displayName;
        record->binaryPath = config.binaryPath;
        record->startType = config.startType;
        m_machine.journal.Note("service", m_name + " configured: " + config.binaryPath);
        return err::kSuccess;
    }

    Win32Error SetDescription(std::string_view description) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("ChangeServiceConfig2", kChangeConfig, record)) return rc;
        record->description = std::string(description);
        return err::kSuccess;
    }

    Win32Error Delete() override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("DeleteService", kDelete, record)) return rc;
        if (record->markedForDelete) return service_error::kServiceMarkedForDelete;
        // It goes when it has stopped and the last handle (this one among them) is closed.
        record->markedForDelete = true;
        m_machine.journal.Note("service", m_name + " marked for deletion");
        return err::kSuccess;
    }

    Win32Error Start() override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("StartService", kStart, record)) return rc;
        if (record->markedForDelete) return service_error::kServiceMarkedForDelete;
        if (record->startType == ServiceStartType::Disabled) return service_error::kServiceDisabled;
        if (record->state != ServiceState::Stopped) return service_error::kServiceAlreadyRunning;
        if (!record->binaryPath.empty()) return StartProgram(*record);
        SetServiceState(m_machine, m_name, *record, ServiceState::StartPending);
        const ServiceState end = record->failsToStart ? ServiceState::Stopped : ServiceState::Running;
        Settle(record->startDelay, ServiceState::StartPending, end);
        return err::kSuccess;
    }

    Win32Error Stop(ServiceStatus& out) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("ControlService", kStop, record)) return rc;
        if (record->state == ServiceState::Stopped) return err::kServiceNotActive;
        // A service on its way up or down takes no stop control.
        if (record->state == ServiceState::StartPending || record->state == ServiceState::StopPending)
            return service_error::kServiceCannotAcceptControl;
        for (const auto& [name, other] : m_machine.services) {
            const bool dependsOnUs = std::any_of(other.dependsOn.begin(), other.dependsOn.end(),
                                                 [&](const std::string& d) { return EqualsNoCase(d, m_name); });
            if (dependsOnUs && other.state != ServiceState::Stopped) return service_error::kDependentServicesRunning;
        }
        if (record->processId != 0) {
            // A program decides its own states; it takes controls only while it runs.
            if (record->state != ServiceState::Running || !record->dispatcherConnected)
                return service_error::kServiceCannotAcceptControl;
            record->controls.push_back(ServiceControlEvent{ServiceControlKind::Stop, 0});
            out = ServiceStatus{record->state, 0};
            return err::kSuccess;
        }
        SetServiceState(m_machine, m_name, *record, ServiceState::StopPending);
        if (!record->hangsStopping) Settle(record->stopDelay, ServiceState::StopPending, ServiceState::Stopped);
        out = ServiceStatus{record->state, 0};
        return err::kSuccess;
    }

    Win32Error ActiveDependents(std::vector<std::string>& names) override {
        ServiceRecord* record = nullptr;
        if (auto rc = Check("EnumDependentServices", kEnumerateDependents, record)) return rc;
        names.clear();
        std::set<std::string, NoCaseLess> seen{m_name};
        CollectDependents(m_name, seen, names);
        return err::kSuccess;
    }

private:
    // Every active service that depends on `service`, directly or through others, in the order
    // EnumDependentServices gives them: the reverse of their start order, so each comes before what
    // it depends on and the list can be stopped from its head.
    void CollectDependents(const std::string& service, std::set<std::string, NoCaseLess>& seen,
                           std::vector<std::string>& out) const {
        for (const auto& [name, other] : m_machine.services) {
            const bool dependsOnIt = std::any_of(other.dependsOn.begin(), other.dependsOn.end(),
                                                 [&](const std::string& d) { return EqualsNoCase(d, service); });
            if (!dependsOnIt || !seen.insert(name).second) continue;
            CollectDependents(name, seen, out);
            if (other.state != ServiceState::Stopped) out.push_back(name);
        }
    }

    // The common preamble of every call: injected faults, the handle's rights, the service itself.
    Win32Error Check(const char* call, std::uint32_t right, ServiceRecord*& record) {
        if (auto fault = m_faults.Check(call, m_name)) return *fault;
        if (!(m_access & right)) return err::kAccessDenied;
        const auto it = m_machine.services.find(m_name);
        if (it == m_machine.services.end()) return err::kInvalidHandle;  // deleted while open
        record = &it->second;
        return err::kSuccess;
    }

    // StartService of an installed service: its program runs in the local system account, and the
    // call returns once the program has connected to the service control manager.
    Win32Error StartProgram(ServiceRecord& record) {
        const std::vector<std::string> words = SplitCommandLine(record.binaryPath);
        if (words.empty() || !m_launcher.CanLaunch(words.front())) return err::kFileNotFound;
        SetServiceState(m_machine, m_name, record, ServiceState::StartPending);
        record.exitCode = 0;
        record.dispatcherConnected = false;
        const int id = m_launcher.Launch(
            {words.front(), {words.begin() + 1, words.end()}, "SYSTEM", "Service-0x0-3e7$", 0, m_name});
        record.processId = id;
        const std::string name = m_name;
        Machine& machine = m_machine;
        ProgramLauncher& launcher = m_launcher;
        const bool connected = m_scheduler.BlockUntil(
            [&machine, &launcher, name, id] {
                const auto it = machine.services.find(name);
                return it == machine.services.end() || it->second.dispatcherConnected || launcher.HasEnded(id);
            },
            kDispatcherWaitMs);
        const auto it = m_machine.services.find(name);
        if (connected && it != m_machine.services.end() && it->second.dispatcherConnected) return err::kSuccess;
        return service_error::kServiceRequestTimeout;
    }

    // Moves the service from `from` to `to` after `delay`, unless something else changed it meanwhile.
    void Settle(std::uint64_t delay, ServiceState from, ServiceState to) {
        auto apply = [&machine = m_machine, name = m_name, from, to] {
            const auto it = machine.services.find(name);
            if (it == machine.services.end() || it->second.state != from) return;
            SetServiceState(machine, it->first, it->second, to);
            DeleteIfGone(machine, name);
        };
        if (delay == 0) {
            apply();
        } else {
            m_scheduler.After(delay, apply);
        }
    }

    Machine& m_machine;
    Scheduler& m_scheduler;
    ProgramLauncher& m_launcher;
    std::string m_name;
    std::uint32_t m_access;
    Faults& m_faults;
};

class OpenManager final : public ServiceControlManager {
public:
    OpenManager(Machine& machine, Scheduler& scheduler, ProgramLauncher& launcher, bool mayCreate, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_launcher(launcher), m_mayCreate(mayCreate), m_faults(faults) {}

    Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) override {
        if (auto fault = m_faults.Check("OpenService", name)) return *fault;
        const auto it = m_machine.services.find(name);
        if (it == m_machine.services.end()) return err::kServiceDoesNotExist;
        out = std::make_unique<OpenService>(m_machine, m_scheduler, m_launcher, it->first, access, m_faults);
        return err::kSuccess;
    }

    Win32Error Create(std::string_view name, const ServiceConfig& config, std::uint32_t access,
                      std::unique_ptr<Service>& out) override {
        if (auto fault = m_faults.Check("CreateService", name)) return *fault;
        if (!m_mayCreate) return err::kAccessDenied;
        if (const auto it = m_machine.services.find(name); it != m_machine.services.end())
            return it->second.markedForDelete ? service_error::kServiceMarkedForDelete : service_error::kServiceExists;
        ServiceRecord& record = m_machine.services[std::string(name)];
        record.startType = config.startType;
        record.displayName = config.displayName;
        record.binaryPath = config.binaryPath;
        m_machine.journal.Note("service", std::string(name) + " installed: " + config.binaryPath);
        out = std::make_unique<OpenService>(m_machine, m_scheduler, m_launcher, std::string(name), access, m_faults);
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    ProgramLauncher& m_launcher;
    bool m_mayCreate;
    Faults& m_faults;
};

}  // namespace

Win32Error SimServiceManager::Connect(bool create, std::unique_ptr<ServiceControlManager>& out) {
    if (auto fault = m_faults.Check("OpenSCManager")) return *fault;
    if (create && !IsAdministrator(m_machine, m_process.account)) return err::kAccessDenied;
    out = std::make_unique<OpenManager>(m_machine, m_scheduler, m_launcher, create, m_faults);
    return err::kSuccess;
}

Win32Error SimServiceManager::Connect(std::unique_ptr<ServiceControlManager>& out) { return Connect(false, out); }

Win32Error SimServiceManager::ConnectToCreate(std::unique_ptr<ServiceControlManager>& out) { return Connect(true, out); }

}  // namespace zelta::sim
