// Windows services, as the product uses them: a probe, stopping a service with its dependants,
// starting one (re-enabling it when disabled), and clearing the way for IPsec before an L2TP dial.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/dialer_settings.h"
#include "platform/platform.h"

namespace zelta {

// 1 when a service of that name can be opened for status queries, else 0.
int ServiceExists(Platform& platform, std::string_view name);

// Stops `service`, its active dependants first. Every time-out measures from the call's start.
// Returns 0 when stopped, err::kTimeout (1460) when `limitMs` passed, the error of a failed
// dependants enumeration, or -1 for any other failure.
int StopServiceAndDependents(Platform& platform, ServiceControlManager& manager, Service& service,
                             std::uint32_t limitMs);

// 0 when the service is stopped (also when it already was), -1 when it could not be opened or stopped.
// Writes "Service stopped.\n" to the standard output on success.
int StopServiceByName(Platform& platform, std::string_view name);

// 1 when the service was already running, 0 when it was started and reached the running state within
// 3 seconds, -1 on any failure (logged).
int StartServiceByName(Platform& platform, Log& log, std::string_view name);

// ipsecServiceState values.
namespace ipsec_service {
inline constexpr std::uint32_t kNotPrepared = 0;
inline constexpr std::uint32_t kPrepared = 1;
inline constexpr std::uint32_t kNothingToDo = 3;
}  // namespace ipsec_service

// Before the library's own L2TP dial: stops the other vendors' VPN services, then makes sure the
// policy agent runs. Once prepared, never repeated. Returns 0, or -1 when the agent could not start
// (the state stays "not prepared", so the next dial tries again).
int PrepareIpsecService(DialerSettings& settings);

}  // namespace zelta
