// The simulated NamedPipe: the machine's pipes, scripted ones (a stand-in helper service) and ones a
// program of the machine serves (the real one), with their security and their owners.
#pragma once

#include "platform/named_pipe.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

class SimNamedPipe final : public NamedPipe {
public:
    SimNamedPipe(Machine& machine, Scheduler& scheduler, Faults& faults, const ProcessFacts& process, int processId)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults), m_process(process), m_processId(processId) {}
    Win32Error Open(std::string_view name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) override;
    Win32Error CreateServer(std::string_view name, const PipeSecurity& security, const PipeServing& serving,
                            std::unique_ptr<PipeServerEnd>& out) override;

private:
    Win32Error OpenServed(const std::string& name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out);
    Win32Error OpenScripted(const std::string& name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out);

    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
    const ProcessFacts& m_process;
    int m_processId;
};

// A control for the service `process` runs as is waiting: its blocking pipe calls give way.
bool ServiceControlWaiting(const Machine& machine, const ProcessFacts& process);

}  // namespace zelta::sim
