// Implements platform/service_host.h for the simulated machine's services.
#include "platform/sim/service_host.h"

#include "platform/sim/service_manager.h"
#include "platform/text.h"

namespace zelta::sim {
namespace {

class SimServiceRuntime final : public ServiceRuntime {
public:
    SimServiceRuntime(Machine& machine, std::string name) : m_machine(machine), m_name(std::move(name)) {}

    Win32Error ReportStatus(ServiceState state, Win32Error exitCode, std::uint32_t) override {
        ServiceRecord* record = Record();
        if (!record) return err::kInvalidHandle;
        record->exitCode = exitCode;
        if (record->state != state) SetServiceState(m_machine, m_name, *record, state);
        return err::kSuccess;
    }

    std::optional<ServiceControlEvent> TakeControl() override {
        ServiceRecord* record = Record();
        if (!record || record->controls.empty()) return std::nullopt;
        const ServiceControlEvent control = record->controls.front();
        record->controls.pop_front();
        return control;
    }

    bool stopped() {
        const ServiceRecord* record = Record();
        return !record || record->state == ServiceState::Stopped;
    }

private:
    ServiceRecord* Record() {
        const auto it = m_machine.services.find(m_name);
        return it == m_machine.services.end() ? nullptr : &it->second;
    }

    Machine& m_machine;
    std::string m_name;
};

}  // namespace

void SetServiceState(Machine& machine, const std::string& name, ServiceRecord& record, ServiceState state) {
    record.state = state;
    machine.journal.Note("service", name + " " + ServiceStateName(state));
}

void ServiceProgramEnded(Machine& machine, const std::string& name) {
    const auto it = machine.services.find(name);
    if (it == machine.services.end()) return;
    ServiceRecord& record = it->second;
    record.processId = 0;  // dispatcherConnected stays: it tells a StartService still waiting that it came
    record.acceptsSessionChanges = false;
    record.controls.clear();
    if (record.state != ServiceState::Stopped) SetServiceState(machine, it->first, record, ServiceState::Stopped);
    DeleteIfGone(machine, it->first);
}

void DeleteIfGone(Machine& machine, const std::string& name) {
    const auto it = machine.services.find(name);
    if (it == machine.services.end()) return;
    const ServiceRecord& record = it->second;
    if (!record.markedForDelete || record.state != ServiceState::Stopped || record.processId != 0 || record.openHandles > 0)
        return;
    machine.journal.Note("service", it->first + " deleted");
    machine.services.erase(it);
}

Win32Error SimServiceHost::Run(std::string_view name, bool sessionChanges,
                               const std::function<void(ServiceRuntime&)>& serviceMain) {
    if (auto fault = m_faults.Check("StartServiceCtrlDispatcher", name)) return *fault;
    const auto it = m_machine.services.find(name);
    if (m_process.serviceName.empty() || !EqualsNoCase(m_process.serviceName, name) || it == m_machine.services.end())
        return service_error::kFailedServiceControllerConnect;
    it->second.dispatcherConnected = true;
    // Windows 2000 has no session change notifications: the service is never told of one there.
    const bool hasSessionChanges = m_machine.osVersion &&
                                   (m_machine.osVersion->major > 5 ||
                                    (m_machine.osVersion->major == 5 && m_machine.osVersion->minor >= 1));
    it->second.acceptsSessionChanges = sessionChanges && hasSessionChanges;
    SimServiceRuntime runtime(m_machine, it->first);
    serviceMain(runtime);
    if (!runtime.stopped()) runtime.ReportStatus(ServiceState::Stopped, 0, 0);
    return err::kSuccess;
}

}  // namespace zelta::sim
