// ProvisionPhonebookEntry: makes the "Zelta VPN" entry exist in the shape the dialer needs (the VPN
// device, the server, fixed options, the chosen authentication, zeltavpn.dll as custom dialer), and
// leaves an entry that is already exactly right untouched.
#pragma once

#include <cstdint>

#include "common/dialer_settings.h"

namespace zelta {

// true when the entry is in place (written, or already identical); false on any failure, after its
// log line.
bool ProvisionPhonebookEntry(DialerSettings& settings);

// The entry's dwfOptions for `settings`, built from the existing entry's options (0 for a new one).
std::uint32_t EntryOptions(const DialerSettings& settings, std::uint32_t existing);

// The entry's dwfOptions2: on Windows 6.0 and later an L2TP entry asks for the pre-shared key unless
// the settings say certificate; every other bit, and every other Windows, as the entry had it.
std::uint32_t EntryOptions2(const DialerSettings& settings, std::uint32_t existing);

// Before each dial on Windows 6.0 and later, where Windows negotiates IPsec itself from the entry:
// the pre-shared key handed to it (RasSetCredentials). kSuccess when nothing needs handing (an
// older Windows, PPTP, a certificate).
Win32Error HandPresharedKey(DialerSettings& settings);

}  // namespace zelta
