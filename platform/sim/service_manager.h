// The simulated ServiceManager: the machine's services, whose state changes run on virtual time.
// Declared services change state on their delays; installed ones run their program.
#pragma once

#include "platform/service_manager.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/processes.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

// "running", "stop-pending"...: a state as transcripts and scenarios name it.
const char* ServiceStateName(ServiceState state);

class SimServiceManager final : public ServiceManager {
public:
    SimServiceManager(Machine& machine, Scheduler& scheduler, ProgramLauncher& launcher, const ProcessFacts& process,
                      Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_launcher(launcher), m_process(process), m_faults(faults) {}
    Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) override;
    Win32Error ConnectToCreate(std::unique_ptr<ServiceControlManager>& out) override;

private:
    Win32Error Connect(bool create, std::unique_ptr<ServiceControlManager>& out);

    Machine& m_machine;
    Scheduler& m_scheduler;
    ProgramLauncher& m_launcher;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

}  // namespace zelta::sim
