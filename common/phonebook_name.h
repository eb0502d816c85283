// The one phonebook entry the product dials, in the default phonebook.
#pragma once

#include <string_view>

namespace zelta {

inline constexpr std::string_view kEntryName = "Zelta VPN";

}  // namespace zelta
