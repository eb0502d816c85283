// The simulated ServiceManager: the machine's services by name.
#pragma once

#include "platform/service_manager.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimServiceManager final : public ServiceManager {
public:
    SimServiceManager(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}
    Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) override;

private:
    Machine& m_machine;
    Faults& m_faults;
};

}  // namespace zelta::sim
