// The simulated EventLog: the machine's Application log.
#pragma once

#include "platform/event_log.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimEventLog final : public EventLog {
public:
    SimEventLog(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}
    Win32Error Report(std::string_view source, EventType type, std::uint32_t eventId,
                      std::span<const std::string> strings) override;

private:
    Machine& m_machine;
    Faults& m_faults;
};

// "error", "warning", "information".
const char* EventTypeName(EventType type);

}  // namespace zelta::sim
