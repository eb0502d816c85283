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

}  // namespace zelta
