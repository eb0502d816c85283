// RefusalLog: the records of refused and dropped clients, at most ten in each clock minute for all
// clients together, so that a flood of them cannot wash the other records out of the rotating log.
// What a minute held back is counted in one record at the first refusal of a later minute.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "common/log.h"
#include "platform/clock.h"

namespace zelta {

class RefusalLog {
public:
    static constexpr std::uint32_t kPerMinute = 10;

    RefusalLog(Clock& clock, Log& log) : m_clock(clock), m_log(log) {}

    // One refusal record, unless this clock minute has had its ten.
    void Record(std::uint32_t level, const char* format, ...) ZELTA_PRINTF(3, 4);

    // In a minute after one that held records back: the record that counts them.
    void CatchUp();

private:
    std::uint64_t CurrentMinute();

    Clock& m_clock;
    Log& m_log;
    std::uint64_t m_minute = 0;
    std::uint32_t m_written = 0;  // in m_minute
    std::uint32_t m_held = 0;     // not written in m_minute
};

}  // namespace zelta
