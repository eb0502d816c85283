// zeltavpn.dll's entry point and exports: the composition root of the library inside whichever
// process loads it. Each export turns the system's records into the portable ones and back; the work
// is CustomDialer's.
#include <windows.h>
#include <ras.h>
#include <rasdlg.h>

#include <new>
#include <string>

#include "customdial/custom_dialer.h"
#include "customdial/sample_exports.h"
#include "platform/secret.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace {

using zelta::CustomDialer;

std::string ModulePath(HINSTANCE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    return zelta::win32::Narrow(std::wstring_view(path, length < MAX_PATH ? length : 0));
}

// The library's per-process state, built on process attach and gone on detach.
struct Library {
    explicit Library(HINSTANCE module)
        : platform(module), dialer(platform.platform(), ModulePath(module), reinterpret_cast<std::uintptr_t>(module)) {}
    zelta::win32::Win32Platform platform;
    CustomDialer dialer;
};

HINSTANCE g_hModule = nullptr;
Library* g_library = nullptr;

template <std::size_t N>
std::string Text(const wchar_t (&field)[N]) {
    return zelta::win32::Narrow(std::wstring_view(field, wcsnlen(field, N)));
}

std::optional<std::string> OptionalText(LPCWSTR text) {
    if (!text) return std::nullopt;
    return zelta::win32::Narrow(std::wstring_view(text, wcsnlen(text, 1024)));
}

zelta::RasDialParams FromRecord(const RASDIALPARAMSW& r) {
    zelta::RasDialParams p;
    p.szEntryName = Text(r.szEntryName);
    p.szPhoneNumber = Text(r.szPhoneNumber);
    p.szCallbackNumber = Text(r.szCallbackNumber);
    p.szUserName = Text(r.szUserName);
    zelta::AssignUtf16(p.szPassword, std::u16string_view(reinterpret_cast<const char16_t*>(r.szPassword),
                                                        wcsnlen(r.szPassword, UNLEN + 1)));
    p.szDomain = Text(r.szDomain);
    p.dwSubEntry = r.dwSubEntry;
    p.dwCallbackId = r.dwCallbackId;
    return p;
}

zelta::RasDialExtensions FromRecord(const RASDIALEXTENSIONS& r) {
    zelta::RasDialExtensions e;
    e.dwSize = r.dwSize;
    e.dwfOptions = r.dwfOptions;
    e.hwndParent = reinterpret_cast<std::uintptr_t>(r.hwndParent);
    e.reserved = r.reserved;
    e.reserved1 = r.reserved1;
    e.eapSize = r.RasEapInfo.dwSizeofEapInfo;
    e.eapData = reinterpret_cast<std::uintptr_t>(r.RasEapInfo.pbEapInfo);
    return e;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    g_hModule = instance;
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(instance);
            g_library = new (std::nothrow) Library(instance);
            break;
        case DLL_PROCESS_DETACH:
            delete g_library;
            g_library = nullptr;
            break;
        case DLL_THREAD_ATTACH:
        case DLL_THREAD_DETACH:
            if (g_library) g_library->dialer.LogThreadNotification(reason == DLL_THREAD_ATTACH);
            break;
        default:
            break;
    }
    return TRUE;
}

extern "C" {

DWORD APIENTRY RasCustomDial(HINSTANCE, LPRASDIALEXTENSIONS extensions, LPCWSTR phonebook, LPRASDIALPARAMSW params,
                             DWORD notifierType, LPVOID notifier, LPHRASCONN connection, DWORD) {
    if (!g_library) return zelta::ras_error::kUnknown;
    std::optional<zelta::RasDialExtensions> ext;
    if (extensions) ext = FromRecord(*extensions);
    std::optional<zelta::RasDialParams> portable;
    if (params) portable = FromRecord(*params);
    zelta::RasConnectionHandle handle;
    const DWORD rc = g_library->dialer.RasCustomDial(
        ext ? &*ext : nullptr, OptionalText(phonebook).value_or(std::string()), portable ? &*portable : nullptr,
        zelta::RasNotifier{notifierType, reinterpret_cast<std::uintptr_t>(notifier)}, handle);
    if (connection && params) *connection = reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(handle.value));
    return rc;
}

DWORD APIENTRY RasCustomHangUp(HRASCONN connection) {
    if (!g_library) return zelta::ras_error::kUnknown;
    return g_library->dialer.RasCustomHangUp(zelta::RasConnectionHandle{reinterpret_cast<std::uintptr_t>(connection)});
}

BOOL APIENTRY RasCustomDialDlg(HINSTANCE, DWORD, LPWSTR phonebook, LPWSTR entry, LPWSTR phoneNumber, LPRASDIALDLG info,
                               PVOID) {
    if (!g_library) return FALSE;
    std::optional<zelta::RasDialDlgInfo> portable;
    if (info) {
        portable = zelta::RasDialDlgInfo{zelta::WindowHandle{static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(info->hwndOwner))},
                                         info->dwFlags, info->xDlg, info->yDlg, info->dwSubEntry, info->dwError};
    }
    const bool connected = g_library->dialer.RasCustomDialDlg(OptionalText(phonebook).value_or(std::string()),
                                                               OptionalText(entry), OptionalText(phoneNumber),
                                                               portable ? &*portable : nullptr);
    if (info) {
        if (!portable->hwndOwner) info->hwndOwner = nullptr;
        info->dwError = portable->dwError;
    }
    return connected ? TRUE : FALSE;
}

BOOL APIENTRY RasCustomEntryDlg(HINSTANCE, LPWSTR phonebook, LPWSTR entry, LPRASENTRYDLGW, DWORD) {
    if (!g_library) return FALSE;
    return g_library->dialer.RasCustomEntryDlg(OptionalText(phonebook).value_or(std::string()),
                                               OptionalText(entry).value_or(std::string()))
               ? TRUE
               : FALSE;
}

DWORD APIENTRY RasCustomDeleteEntryNotify(LPCWSTR phonebook, LPCWSTR entry, DWORD) {
    if (!g_library) return zelta::ras_error::kUnknown;
    return g_library->dialer.RasCustomDeleteEntryNotify(OptionalText(phonebook).value_or(std::string()),
                                                        OptionalText(entry).value_or(std::string()));
}

STDAPI DllRegisterServer() {
    return g_library ? static_cast<HRESULT>(g_library->dialer.DllRegisterServer()) : E_UNEXPECTED;
}

STDAPI DllUnregisterServer() {
    return g_library ? static_cast<HRESULT>(g_library->dialer.DllUnregisterServer()) : E_UNEXPECTED;
}

}  // extern "C"
