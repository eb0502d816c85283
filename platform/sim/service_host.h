// The simulated ServiceHost: a program the machine's service control manager started as a service
// reports its states into the service's record and takes the controls sent to it there.
#pragma once

#include "platform/service_host.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

class SimServiceHost final : public ServiceHost {
public:
    SimServiceHost(Machine& machine, const ProcessFacts& process, Faults& faults)
        : m_machine(machine), m_process(process), m_faults(faults) {}
    Win32Error Run(std::string_view name, bool sessionChanges,
                   const std::function<void(ServiceRuntime&)>& serviceMain) override;

private:
    Machine& m_machine;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

// Puts a service into `state`, telling the transcript.
void SetServiceState(Machine& machine, const std::string& name, ServiceRecord& record, ServiceState state);

// The program behind a service ended: whatever it said, the service is stopped now, and a service
// marked for deletion goes.
void ServiceProgramEnded(Machine& machine, const std::string& name);

// A service marked for deletion goes, as on Windows, once it is stopped, its program has ended and
// its last handle is closed. The record must not be used after this.
void DeleteIfGone(Machine& machine, const std::string& name);

}  // namespace zelta::sim
