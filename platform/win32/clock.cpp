// Implements platform/clock.h with GetLocalTime, GetTickCount and Sleep.
#include "platform/win32/clock.h"

#include <windows.h>

namespace zelta::win32 {

bool Win32Clock::Now(LocalTime& out) {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    out = LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek};
    return true;
}

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace zelta::win32
