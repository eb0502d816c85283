// The simulated ServiceManager: the machine's services, whose state changes run on virtual time.
#pragma once

#include "platform/service_manager.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"

namespace zelta::sim {

// "running", "stop-pending"...: a state as transcripts and scenarios name it.
const char* ServiceStateName(ServiceState state);

class SimServiceManager final : public ServiceManager {
public:
    SimServiceManager(Machine& machine, Scheduler& scheduler, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults) {}
    Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) override;

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
};

}  // namespace zelta::sim
