// The accounts and groups the product names in security descriptors and recognises as owners, and an
// object's owner as a security descriptor names it.
#pragma once

#include <optional>
#include <string>

namespace zelta {

// Well-known SIDs on Windows.
enum class Principal {
    LocalSystem,       // S-1-5-18
    Administrators,    // S-1-5-32-544
    InteractiveUsers,  // S-1-5-4: whoever logged on at this machine's keyboard or by Terminal Services
    NetworkLogons,     // S-1-5-2: whoever reached this machine over the network
    Everyone,          // S-1-1-0
    Users,             // S-1-5-32-545: every account of the machine and its domain
    TrustedInstaller,  // S-1-5-80-956008885-...: the owner of Windows' own files since Vista
};

// An object's owner (or any trustee) as a security descriptor names it.
struct ObjectOwner {
    std::optional<Principal> principal;  // set when it is one of the well-known principals
    std::string sid;                     // the SID as text ("S-1-5-18", "S-1-5-21-...")
};

}  // namespace zelta
