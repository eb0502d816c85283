// The local IPsec policy store of Windows 2000 collects ISAKMP and negotiation policies that nothing
// references any more (every connect deletes and re-creates our policy). Once per start the dialer
// removes them. It reports only to the debugger output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/dialer_settings.h"

namespace zelta {

inline constexpr std::string_view kLocalIpsecStore = "SOFTWARE\\Policies\\Microsoft\\Windows\\IPSec\\Policy\\Local";

// On Windows 2000 (5.0 exactly) only: deletes the unreferenced ISAKMP and negotiation policies.
void CleanLocalIpsecPolicies(DialerSettings& settings);

// The part after the last backslash; the whole text without one; empty after a trailing one;
// nothing for an empty text.
std::optional<std::string> LastPathComponent(std::string_view path);

}  // namespace zelta
