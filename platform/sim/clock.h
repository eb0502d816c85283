// The simulated Clock: virtual time from the host's scheduler.
#pragma once

#include "platform/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"

namespace zelta::sim {

class SimClock final : public Clock {
public:
    SimClock(Scheduler& scheduler, SystemFacts& system, Faults& faults)
        : m_scheduler(scheduler), m_system(system), m_faults(faults) {}
    bool Now(LocalTime& out) override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;

    // Calendar arithmetic without time zones: milliseconds since 1970-01-01 00:00 and back.
    static std::int64_t ToEpochMs(const LocalTime& t);
    static LocalTime FromEpochMs(std::int64_t ms);

private:
    Scheduler& m_scheduler;
    SystemFacts& m_system;
    Faults& m_faults;
};

}  // namespace zelta::sim
