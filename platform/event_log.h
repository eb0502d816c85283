// EventLog: records in the Windows Application event log. Implemented by
// platform/win32/event_log.cpp and platform/sim/event_log.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/win32_error.h"

namespace zelta {

// Event types, numbered as Windows numbers them.
enum class EventType : std::uint16_t { Error = 1, Warning = 2, Information = 4 };

class EventLog {
public:
    virtual ~EventLog() = default;

    // RegisterEventSource, ReportEvent, DeregisterEventSource: one record under `source` whose text
    // is message `eventId` of the source's message file, with `strings` for its insertions. The
    // source must be registered (its key under the Application log) for the viewer to find the
    // text; the record is written either way.
    virtual Win32Error Report(std::string_view source, EventType type, std::uint32_t eventId,
                              std::span<const std::string> strings) = 0;
};

}  // namespace zelta
