// Security descriptors and SIDs for the pipe: the portable PipeSecurity made into an absolute
// descriptor, and SIDs read back as principals and text. Compiled only for Windows.
#pragma once

#include <windows.h>
#include <accctrl.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/named_pipe.h"
#include "platform/win32/handles.h"

namespace zelta::win32 {

// The well-known SIDs of the principals, allocated once per use.
class WellKnownSids {
public:
    WellKnownSids();
    PSID Get(Principal principal) const { return m_sids[static_cast<std::size_t>(principal)].Get(); }
    // The principal `sid` is, if it is one of them.
    std::optional<Principal> Find(PSID sid) const;

private:
    std::array<UniqueSid, 7> m_sids;
};

// An absolute security descriptor that owns its SIDs and DACL.
class SecurityDescriptor {
public:
    // Fails (GetLastError) when a SID or the ACL cannot be made.
    static std::unique_ptr<SecurityDescriptor> Build(const PipeSecurity& security);
    SECURITY_DESCRIPTOR* Get() { return &m_descriptor; }
    ACL* Dacl() { return reinterpret_cast<ACL*>(m_acl.data()); }
    PSID Owner(Principal principal) const { return m_sids.Get(principal); }

private:
    SecurityDescriptor() = default;
    WellKnownSids m_sids;
    std::vector<std::uint8_t> m_acl;
    SECURITY_DESCRIPTOR m_descriptor{};
};

// The TOKEN_USER record of `token` (opened with TOKEN_QUERY), which holds the user's SID.
DWORD ReadTokenUser(HANDLE token, std::vector<std::uint8_t>& out);
inline PSID TokenUserSid(std::vector<std::uint8_t>& tokenUser) {
    return reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid;
}

// "S-1-5-18": ConvertSidToStringSid; empty when it fails.
std::string SidText(PSID sid);

// `sid` as an owner names it: the well-known principal it is, if any, and its text.
ObjectOwner OwnerOf(PSID sid);

// Sets `path` (a file system path, or a key as "MACHINE\SOFTWARE\...") to the administrators'
// descriptor that folders and keys of the product get: owner Administrators; the system account and
// Administrators with `full`, Users with `read`, inherited below, nothing inherited from above.
DWORD ProtectForAdministrators(std::wstring path, SE_OBJECT_TYPE kind, DWORD full, DWORD read);

// The owner of the object behind `handle` (a file or pipe unless `kind` says otherwise), read with
// GetSecurityInfo.
DWORD ReadOwner(HANDLE handle, ObjectOwner& out, SE_OBJECT_TYPE kind = SE_FILE_OBJECT);

}  // namespace zelta::win32
