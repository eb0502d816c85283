// Accounts and access checks of the simulated machine.
#include "platform/sim/accounts.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta::sim {

bool IsSystemAccount(std::string_view account) { return EqualsNoCase(account, "SYSTEM"); }

bool IsAdministrator(const Machine& machine, std::string_view account) {
    return IsSystemAccount(account) || machine.administrators.contains(account);
}

std::vector<Principal> PrincipalsOf(const Machine& machine, std::string_view account, bool network) {
    std::vector<Principal> principals{Principal::Everyone};
    if (IsSystemAccount(account)) principals.push_back(Principal::LocalSystem);
    if (IsAdministrator(machine, account)) principals.push_back(Principal::Administrators);
    if (network) {
        principals.push_back(Principal::NetworkLogons);
    } else if (!IsSystemAccount(account)) {
        principals.push_back(Principal::InteractiveUsers);
    }
    return principals;
}

bool AccessGranted(const PipeSecurity& security, const std::vector<Principal>& principals, std::uint32_t wanted) {
    std::uint32_t allowed = 0;
    for (const PipeAce& ace : security.dacl) {
        if (std::find(principals.begin(), principals.end(), ace.who) == principals.end()) continue;
        const std::uint32_t undecided = wanted & ~allowed;
        if (!ace.allow && (ace.access & undecided)) return false;
        if (ace.allow) allowed |= ace.access & wanted;
        if ((allowed & wanted) == wanted) return true;
    }
    return false;
}

PipeOwner OwnerFor(Principal principal) {
    switch (principal) {
        case Principal::LocalSystem: return PipeOwner{principal, "S-1-5-18"};
        case Principal::Administrators: return PipeOwner{principal, "S-1-5-32-544"};
        case Principal::InteractiveUsers: return PipeOwner{principal, "S-1-5-4"};
        case Principal::NetworkLogons: return PipeOwner{principal, "S-1-5-2"};
        case Principal::Users: return PipeOwner{principal, "S-1-5-32-545"};
        case Principal::TrustedInstaller:
            return PipeOwner{principal, "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
        case Principal::Everyone: break;
    }
    return PipeOwner{Principal::Everyone, "S-1-1-0"};
}

PipeOwner OwnerFor(std::string_view account) {
    if (IsSystemAccount(account)) return OwnerFor(Principal::LocalSystem);
    if (EqualsNoCase(account, "Administrators")) return OwnerFor(Principal::Administrators);
    if (EqualsNoCase(account, "Users")) return OwnerFor(Principal::Users);
    if (EqualsNoCase(account, "Everyone")) return OwnerFor(Principal::Everyone);
    if (EqualsNoCase(account, "TrustedInstaller")) return OwnerFor(Principal::TrustedInstaller);
    // A stable relative id per name, so that a transcript names the same owner every run.
    std::uint32_t rid = 1000;
    for (char c : account) rid = rid * 31 + static_cast<std::uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return PipeOwner{std::nullopt, "S-1-5-21-1004336348-1177238915-682003330-" + std::to_string(1000 + rid % 9000)};
}

}  // namespace zelta::sim
