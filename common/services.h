// Windows services, as the product uses them: a probe, stopping a service with its dependants,
// starting one (re-enabling it when disabled), and clearing the way for IPsec before an L2TP dial.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/dialer_settings.h"
#include "platform/platform.h"

namespace zelta {

// 1 when a service of that name can be opened for status queries, else 0.
int ServiceExists(ServiceManager& services, std::string_view name);

// The services a stop took down that were running before it, in the order they stopped (active
// dependants first): what somebody may want to start again later.
using StoppedServices = std::vector<std::string>;

// What StopServiceAndDependents tells of a stop besides its result.
struct StopTrace {
    std::string_view name;    // the service `service` stands for
    StoppedServices stopped;  // filled as they reach "stopped"
};

// Stops `service`, its active dependants first. Every time-out measures from the call's start.
// Returns 0 when stopped, err::kTimeout (1460) when `limitMs` passed, the error of a failed
// dependants enumeration, or -1 for any other failure. A `trace` learns what was running and stopped.
int StopServiceAndDependents(Clock& clock, ServiceControlManager& manager, Service& service, std::uint32_t limitMs,
                             StopTrace* trace = nullptr);

// 0 when the service is stopped (also when it already was), -1 when it could not be opened or stopped.
// Writes "Service stopped.\n" to the standard output on success. `stopped` (when given) gains the
// services this call stopped that were running.
int StopServiceByName(Platform& platform, std::string_view name, StoppedServices* stopped = nullptr);

// 1 when the service was already running, 0 when it was started and reached the running state within
// 3 seconds, -1 on any failure (logged).
int StartServiceByName(ServiceManager& services, Clock& clock, Log& log, std::string_view name);

// ipsecServiceState values.
namespace ipsec_service {
inline constexpr std::uint32_t kNotPrepared = 0;
inline constexpr std::uint32_t kPrepared = 1;
inline constexpr std::uint32_t kNothingToDo = 3;
}  // namespace ipsec_service

// Before an L2TP dial (the library's own, or the helper service's for the dialer): stops the other
// vendors' VPN services, then makes sure the policy agent runs. Once prepared, never repeated.
// Returns 0, or -1 when the agent could not start (the state stays "not prepared", so the next dial
// tries again). `stopped` (when given) gains the services it stopped that were running.
int PrepareIpsecService(DialerSettings& settings, StoppedServices* stopped = nullptr);

}  // namespace zelta
