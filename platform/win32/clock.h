// The real Clock: GetLocalTime, GetTickCount, Sleep.
#pragma once

#include "platform/clock.h"

namespace zelta::win32 {

class Win32Clock final : public Clock {
public:
    bool Now(LocalTime& out) override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace zelta::win32
