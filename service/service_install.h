// "ZeltaService.exe -install" and "-remove": the service's own setup, run by the custom-dial library's
// registration (hidden, not waited for) or by an installer; "-delete-entry", the phonebook entry's end,
// for the installer's uninstall. Each prints one line and returns the
// process's exit code: 0 when done (a second install, or removing what is not installed, is done
// too), 1 with the reason otherwise.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace zelta {

inline constexpr std::string_view kServiceDisplayName = "Zelta VPN Helper";
inline constexpr std::string_view kServiceDescription =
    "Starts the Zelta VPN dialer in the system account and prepares IPsec for its connections. "
    "Without it the dialer cannot connect.";

// Creates the service (or points an existing one at this program), registers its event source,
// and starts it.
int InstallService(Platform& platform);

// Stops the service (waiting a bounded time), deletes it and its event source.
int RemoveService(Platform& platform);

// Deletes the "Zelta VPN" phonebook entry the dialer made, as an uninstaller needs (done too when there
// is none).
int DeleteDialEntry(Platform& platform);

}  // namespace zelta
