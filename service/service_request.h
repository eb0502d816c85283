// The helper service's requests as they come off the pipe: a kind byte and what follows it. Every
// byte here comes from an unprivileged client and is taken as hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zelta {

namespace request_kind {
inline constexpr std::uint8_t kStartDialer = 1;      // 01 00: start the dialer window for the caller
inline constexpr std::uint8_t kPrepareIpsec = 2;     // 02 + server address: clear the way for IPsec
inline constexpr std::uint8_t kRestartServices = 4;  // 04 00: start again what request 2 stopped
}  // namespace request_kind

// The largest valid request: the kind and the dialer's 64-character server address field.
inline constexpr std::size_t kLargestRequest = 1 + 64;

// A server address longer than a dotted quad can be is refused before it is looked at.
inline constexpr std::size_t kLongestAddress = 15;

// The answers, as the dialer reads them (the first byte, signed).
inline constexpr std::uint8_t kReplyDone = 0x00;
inline constexpr std::uint8_t kReplyFailed = 0xFF;

struct ServiceRequest {
    std::uint8_t kind = 0;
    std::string serverAddress;  // request 2 only: a dotted quad
};

// Reads one whole request. Anything but the three well-formed kinds is refused with `refusal`
// saying why in words fit for the log (no byte of the request is copied into it).
std::optional<ServiceRequest> ParseRequest(std::span<const std::uint8_t> bytes, std::string& refusal);

// At most the first `limit` bytes as "02 31 30 ...", for a log line about a refused request.
std::string RequestBytesForLog(std::span<const std::uint8_t> bytes, std::size_t limit = 16);

}  // namespace zelta
