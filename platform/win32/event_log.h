// The real EventLog: ReportEvent under a registered source.
#pragma once

#include "platform/event_log.h"

namespace zelta::win32 {

class Win32EventLog final : public EventLog {
public:
    Win32Error Report(std::string_view source, EventType type, std::uint32_t eventId,
                      std::span<const std::string> strings) override;
};

}  // namespace zelta::win32
