// Implements platform/service_manager.h over the simulated machine's services.
#include "platform/sim/service_manager.h"

namespace zelta::sim {
namespace {

class SimService final : public Service {
public:
    SimService(Machine& machine, std::string name, std::uint32_t access, Faults& faults)
        : m_machine(machine), m_name(std::move(name)), m_access(access), m_faults(faults) {}

    Win32Error QueryStatus(ServiceStatus& out) override {
        if (auto fault = m_faults.Check("QueryServiceStatus", m_name)) return *fault;
        if (!(m_access & service_access::kQueryStatus)) return err::kAccessDenied;
        const auto it = m_machine.services.find(m_name);
        if (it == m_machine.services.end()) return err::kInvalidHandle;  // deleted while open
        out = ServiceStatus{it->second.state, 0};
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    std::string m_name;
    std::uint32_t m_access;
    Faults& m_faults;
};

class SimControlManager final : public ServiceControlManager {
public:
    SimControlManager(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}

    Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) override {
        if (auto fault = m_faults.Check("OpenService", name)) return *fault;
        const auto it = m_machine.services.find(name);
        if (it == m_machine.services.end()) return err::kServiceDoesNotExist;
        out = std::make_unique<SimService>(m_machine, it->first, access, m_faults);
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Faults& m_faults;
};

}  // namespace

Win32Error SimServiceManager::Connect(std::unique_ptr<ServiceControlManager>& out) {
    if (auto fault = m_faults.Check("OpenSCManager")) return *fault;
    out = std::make_unique<SimControlManager>(m_machine, m_faults);
    return err::kSuccess;
}

}  // namespace zelta::sim
