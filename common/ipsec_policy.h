// The IPsec policy for L2TP (UDP 1701 towards the server), written by the Windows IPsec tool kept in
// the installation directory: "ipseccmd" from Windows XP on, "ipsecpol" on Windows 2000. The policy
// is always "ZELTAWLANIPSEC" with the one rule "ZELTAWLANRULE". Nothing happens when L2TP is off.
#pragma once

#include <optional>
#include <string>

#include "common/dialer_settings.h"

namespace zelta {

// The quoted tool path without extension: "\"C:\Dialer\ipseccmd\"". nullopt when it would not fit
// its 256 characters.
std::optional<std::string> IpsecToolPath(const DialerSettings& settings);

// "ipseccmd" on Windows XP and 2003, "ipsecpol" on Windows 2000.
const char* IpsecToolName(const DialerSettings& settings);
// The tool's program file, which is checked, held and run: "installDir\ipseccmd.exe".
std::string IpsecToolFile(const DialerSettings& settings);

// The third command's arguments: the filter, the negotiation and IKE parameters, and PRESHARE or
// CERT authentication. nullopt when they would not fit their 1024 characters.
std::optional<std::string> IpsecCreateArguments(const DialerSettings& settings);

// Unassigns and deletes the policy, deletes it again, then creates it afresh from the settings.
// Exit codes are not examined; a command that cannot be formed whole is skipped, with a log line.
void ApplyIpsecPolicy(DialerSettings& settings);

// Unassigns and deletes the policy.
void RemoveIpsecPolicy(DialerSettings& settings);

}  // namespace zelta
