// Implements platform/win32/security.h.
#include "platform/win32/security.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

PSID Allocate(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD first, DWORD second = 0, DWORD third = 0,
              DWORD fourth = 0, DWORD fifth = 0, DWORD sixth = 0) {
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&authority, count, first, second, third, fourth, fifth, sixth, 0, 0, &sid))
        return nullptr;
    return sid;
}

}  // namespace

WellKnownSids::WellKnownSids() {
    const SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    m_sids[static_cast<std::size_t>(Principal::LocalSystem)].Reset(Allocate(nt, 1, SECURITY_LOCAL_SYSTEM_RID));
    m_sids[static_cast<std::size_t>(Principal::Administrators)].Reset(
        Allocate(nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS));
    m_sids[static_cast<std::size_t>(Principal::InteractiveUsers)].Reset(Allocate(nt, 1, SECURITY_INTERACTIVE_RID));
    m_sids[static_cast<std::size_t>(Principal::NetworkLogons)].Reset(Allocate(nt, 1, SECURITY_NETWORK_RID));
    m_sids[static_cast<std::size_t>(Principal::Everyone)].Reset(Allocate(world, 1, SECURITY_WORLD_RID));
    m_sids[static_cast<std::size_t>(Principal::Users)].Reset(
        Allocate(nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS));
    // NT SERVICE\TrustedInstaller: the service SID of "TrustedInstaller", the same on every machine.
    m_sids[static_cast<std::size_t>(Principal::TrustedInstaller)].Reset(
        Allocate(nt, 6, 80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u));
}

std::optional<Principal> WellKnownSids::Find(PSID sid) const {
    for (std::size_t i = 0; i < m_sids.size(); ++i)
        if (m_sids[i] && ::EqualSid(sid, m_sids[i].Get())) return static_cast<Principal>(i);
    return std::nullopt;
}

std::unique_ptr<SecurityDescriptor> SecurityDescriptor::Build(const PipeSecurity& security) {
    std::unique_ptr<SecurityDescriptor> built(new SecurityDescriptor());
    DWORD size = sizeof(ACL);
    for (const PipeAce& ace : security.dacl) {
        PSID sid = built->m_sids.Get(ace.who);
        if (!sid) return nullptr;
        size += static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) + ::GetLengthSid(sid);
    }
    built->m_acl.resize(size);
    auto* acl = reinterpret_cast<ACL*>(built->m_acl.data());
    if (!::InitializeAcl(acl, size, ACL_REVISION)) return nullptr;
    for (const PipeAce& ace : security.dacl) {
        PSID sid = built->m_sids.Get(ace.who);
        const BOOL added = ace.allow ? ::AddAccessAllowedAceEx(acl, ACL_REVISION, ace.inheritance, ace.access, sid)
                                     : ::AddAccessDeniedAceEx(acl, ACL_REVISION, ace.inheritance, ace.access, sid);
        if (!added) return nullptr;
    }
    SECURITY_DESCRIPTOR* descriptor = &built->m_descriptor;
    if (!::InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE))
        return nullptr;
    if (security.owner) {
        PSID owner = built->m_sids.Get(*security.owner);
        if (!owner || !::SetSecurityDescriptorOwner(descriptor, owner, FALSE)) return nullptr;
    }
    return built;
}

std::string SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return {};
    UniqueLocal owner(text);
    return Narrow(text);
}

DWORD ReadTokenUser(HANDLE token, std::vector<std::uint8_t>& out) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    out.assign(size > sizeof(TOKEN_USER) ? size : sizeof(TOKEN_USER), 0);
    return ::GetTokenInformation(token, TokenUser, out.data(), static_cast<DWORD>(out.size()), &size) ? ERROR_SUCCESS
                                                                                                     : ::GetLastError();
}

ObjectOwner OwnerOf(PSID sid) { return ObjectOwner{WellKnownSids().Find(sid), SidText(sid)}; }

DWORD ProtectForAdministrators(std::wstring path, SE_OBJECT_TYPE kind, DWORD full, DWORD read) {
    constexpr std::uint8_t kBelow = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    const PipeSecurity wanted{Principal::Administrators,
                              {{true, Principal::LocalSystem, full, kBelow},
                               {true, Principal::Administrators, full, kBelow},
                               {true, Principal::Users, read, kBelow}}};
    auto descriptor = SecurityDescriptor::Build(wanted);
    if (!descriptor) return ::GetLastError();
    return ::SetNamedSecurityInfoW(path.data(), kind,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                       PROTECTED_DACL_SECURITY_INFORMATION,
                                   descriptor->Owner(Principal::Administrators), nullptr, descriptor->Dacl(), nullptr);
}

DWORD ReadOwner(HANDLE handle, ObjectOwner& out, SE_OBJECT_TYPE kind) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = ::GetSecurityInfo(handle, kind, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                       nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) return rc;
    UniqueLocal freed(descriptor);
    if (!owner) return ERROR_INVALID_SECURITY_DESCR;
    out = ObjectOwner{WellKnownSids().Find(owner), SidText(owner)};
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
