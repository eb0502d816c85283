// Counting refusal records by the clock's minute.
#include "service/refusal_log.h"

namespace zelta {

std::uint64_t RefusalLog::CurrentMinute() {
    LocalTime now;
    if (!m_clock.Now(now)) return m_clock.TickCount() / 60000u;  // a minute all the same
    return ((((static_cast<std::uint64_t>(now.year) * 13 + static_cast<std::uint64_t>(now.month)) * 32 +
              static_cast<std::uint64_t>(now.day)) * 24 + static_cast<std::uint64_t>(now.hour)) * 60 +
            static_cast<std::uint64_t>(now.minute)) << 1 | 1;  // never a tick count's minute
}

void RefusalLog::CatchUp() {
    const std::uint64_t minute = CurrentMinute();
    if (minute == m_minute) return;
    if (m_held > 0) m_log.LogMessage(log_level::kMain, "ZeltaService: %u refusals not logged\n", m_held);
    m_minute = minute;
    m_written = 0;
    m_held = 0;
}

void RefusalLog::Record(std::uint32_t level, const char* format, ...) {
    CatchUp();
    if (m_written >= kPerMinute) {
        ++m_held;
        return;
    }
    ++m_written;
    std::va_list args;
    va_start(args, format);
    m_log.LogMessageV(level, format, args);
    va_end(args);
}

}  // namespace zelta
