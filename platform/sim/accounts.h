// Accounts of the simulated machine as security sees them: which well-known principals an account
// belongs to, what a security descriptor grants it, and how an owner reads back.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/named_pipe.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

// "SYSTEM" is the local system account (any case); administrators are the machine's list.
bool IsSystemAccount(std::string_view account);
bool IsAdministrator(const Machine& machine, std::string_view account);

// The principals a process's token carries: Everyone always; the local system account and the
// Administrators group as the account is; Interactive for a local user, Network for one from
// another machine.
std::vector<Principal> PrincipalsOf(const Machine& machine, std::string_view account, bool network);

// The access a DACL grants to those principals, as Windows checks it: entries in order, a denied
// bit stays denied, an allowed one stays allowed.
bool AccessGranted(const PipeSecurity& security, const std::vector<Principal>& principals, std::uint32_t wanted);

// The owner an account's security descriptor names: the well-known ones by their SIDs, anyone else
// by a SID of the machine's domain made from the name.
PipeOwner OwnerFor(std::string_view account);
PipeOwner OwnerFor(Principal principal);

}  // namespace zelta::sim
