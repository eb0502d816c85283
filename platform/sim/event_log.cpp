// Implements platform/event_log.h: records in the machine's Application log, told to the transcript.
#include "platform/sim/event_log.h"

#include <cstdio>

namespace zelta::sim {

const char* EventTypeName(EventType type) {
    switch (type) {
        case EventType::Error: return "error";
        case EventType::Warning: return "warning";
        case EventType::Information: break;
    }
    return "information";
}

Win32Error SimEventLog::Report(std::string_view source, EventType type, std::uint32_t eventId,
                               std::span<const std::string> strings) {
    if (auto fault = m_faults.Check("ReportEvent", source)) return *fault;
    EventRecord record{std::string(source), type, eventId, {strings.begin(), strings.end()}};
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(eventId));
    std::string text = record.source + " " + EventTypeName(type) + " " + id;
    for (const std::string& s : record.strings) text += ": " + s;
    m_machine.journal.Note("eventlog", text);
    m_machine.eventLog.push_back(std::move(record));
    return err::kSuccess;
}

}  // namespace zelta::sim
