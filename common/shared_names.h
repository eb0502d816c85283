// The names the dialer, the custom-dial library and the helper service share, so that each finds
// what another made.
#pragma once

#include <string_view>

namespace zelta {

// The one phonebook entry the product dials, in the default phonebook.
inline constexpr std::string_view kEntryName = "Zelta VPN";

// Held by the dialer window's copy for as long as it runs; its session's other copies hand over.
inline constexpr std::string_view kInstanceMutexName = "MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA";

// The helper service and the pipe it answers on.
inline constexpr std::string_view kHelperServiceName = "ZeltaService";
inline constexpr std::string_view kServicePipeName = "\\\\.\\pipe\\zeltavpn";

}  // namespace zelta
