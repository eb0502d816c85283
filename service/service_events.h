// The helper service's records in the Application event log. The ids are those of the message table
// in service/messages.mc (severity bits included), which the Windows build checks against them.
#pragma once

#include <cstdint>
#include <string_view>

namespace zelta {

inline constexpr std::string_view kEventSource = "ZeltaService";

// Where the event log looks up a source's message file.
inline constexpr std::string_view kEventSourceKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ZeltaService";
inline constexpr std::string_view kEventLogApplicationKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";

namespace service_event {
inline constexpr std::uint32_t kStarted = 0x40000064;  // informational 100: the service started
inline constexpr std::uint32_t kStopped = 0x40000065;  // informational 101: the service stopped
inline constexpr std::uint32_t kFailed = 0xC0000066;   // error 102: it stopped because of %1
inline constexpr std::uint32_t kProgramRefused = 0xC0000067;  // error 103: it did not start program %1 because %2
}  // namespace service_event

}  // namespace zelta
