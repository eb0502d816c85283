// The Network Info report: every adapter with its addresses, what wireless drivers say of their
// association, the DNS servers, and the access points of the last scan, in one text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/log.h"
#include "platform/platform.h"

namespace zelta {

// The report, or nothing when the adapter list cannot be read (then no message box is shown). With
// `connection` (the dialer's own, while it is connected) the tunnel's addresses and the connection's
// statistics come after the adapters.
std::optional<std::string> NetworkInfoReport(Platform& platform, Log& log,
                                             std::optional<RasConnectionHandle> connection = std::nullopt);

// An 802.11 frequency in kHz to its channel number.
std::uint32_t FrequencyToChannel(std::uint32_t kHz);

// The 32 SSID bytes as printable text: at most 15 characters, cut at the first that is not a letter,
// digit, blank or punctuation.
std::string CleanSsid(std::array<std::uint8_t, 32> bytes);

}  // namespace zelta
