// The simulated NamedPipe: the machine's pipe servers (the helper service's "\\.\pipe\zeltavpn").
#pragma once

#include "platform/named_pipe.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"

namespace zelta::sim {

class SimNamedPipe final : public NamedPipe {
public:
    SimNamedPipe(Machine& machine, Scheduler& scheduler, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults) {}
    Win32Error Transact(std::string_view name, std::span<const std::uint8_t> request, std::size_t replyCapacity,
                        std::uint32_t wait, std::vector<std::uint8_t>& reply) override;

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
};

}  // namespace zelta::sim
