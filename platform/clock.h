// Clock: local wall-clock time, the millisecond tick count, and Sleep. Implemented by
// platform/win32/clock.cpp and platform/sim/clock.cpp (virtual time).
#pragma once

#include <cstdint>

namespace zelta {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

class Clock {
public:
    virtual ~Clock() = default;

    // The current local time. Returns false when the conversion to local time fails; `out` is then
    // unspecified and the caller must not use it.
    virtual bool Now(LocalTime& out) = 0;

    // Milliseconds since the machine started; wraps after 49.7 days, so callers subtract unsigned.
    virtual std::uint32_t TickCount() = 0;

    // Blocks the calling thread. A blocked GUI thread dispatches nothing meanwhile; the rest of the
    // machine keeps moving.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace zelta
