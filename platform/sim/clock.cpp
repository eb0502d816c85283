// Implements platform/clock.h on the simulated host's virtual time.
#include "platform/sim/clock.h"

namespace zelta::sim {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

}  // namespace

std::int64_t SimClock::ToEpochMs(const LocalTime& t) {
    const std::int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
    return days * 86'400'000 +
           ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

LocalTime SimClock::FromEpochMs(std::int64_t ms) {
    std::int64_t days = ms / 86'400'000;
    std::int64_t rest = ms % 86'400'000;
    if (rest < 0) {
        rest += 86'400'000;
        --days;
    }
    LocalTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3'600'000);
    t.minute = static_cast<int>(rest / 60'000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    t.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    return t;
}

bool SimClock::Now(LocalTime& out) {
    if (m_faults.Check("GetLocalTime")) return false;
    if (!m_system.wallClockAtStart)
        throw SimSetupError("Clock::Now: the machine has no wall clock; set it with SimHost::SetWallClock");
    out = FromEpochMs(ToEpochMs(*m_system.wallClockAtStart) + static_cast<std::int64_t>(m_scheduler.Now()));
    return true;
}

std::uint32_t SimClock::TickCount() {
    return static_cast<std::uint32_t>(m_system.tickCountAtStart + m_scheduler.Now());
}

void SimClock::Sleep(std::uint32_t milliseconds) { m_scheduler.Sleep(milliseconds); }

}  // namespace zelta::sim
