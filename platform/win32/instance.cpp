// Implements platform/instance.h: the mutex, the shared section of the program image, Winsock.
#include "platform/win32/instance.h"

#include <winsock2.h>

#include <cstdint>

#include "platform/win32/dynamic_calls.h"
#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

// The one window handle every process running this image shares: a section with the shared
// attribute. Written once by the first copy's dialog; read by later copies to bring it forward.
__attribute__((section(".shr"), shared)) volatile std::uint32_t g_hSharedWnd = 0;

namespace zelta::win32 {

Win32Error Win32Instance::ClaimMutex(std::string_view name) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, Wide(name).c_str());
    const DWORD error = ::GetLastError();
    if (!mutex) return error ? error : ERROR_INVALID_HANDLE;
    m_mutex = mutex;
    return error == ERROR_ALREADY_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
}

Win32Error Win32Instance::MutexOwner(ObjectOwner& out) {
    if (!m_mutex) return ERROR_INVALID_HANDLE;
    return ReadOwner(m_mutex, out, SE_KERNEL_OBJECT);
}

namespace {

DWORD OwnSession() {
    DWORD session = 0;  // no answer: a Windows without Terminal Services, where everybody is in session 0
    HANDLE opened = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        UniqueObject token(opened);
        DWORD size = 0;
        ::GetTokenInformation(token.Get(), TokenSessionId, &session, sizeof session, &size);
    }
    return session;
}

}  // namespace

bool Win32Instance::MutexExists(std::string_view name, std::uint32_t session) {
    if (session == OwnSession()) {
        UniqueObject mutex(::OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str()));
        return mutex || ::GetLastError() == ERROR_ACCESS_DENIED;  // there, if not ours to open
    }
    // Another session's named objects live under its own directory, which OpenMutex cannot name.
    const auto open = SystemCalls().NtOpenMutant;
    if (!open) return false;
    std::wstring path = Wide("\\Sessions\\" + std::to_string(session) + "\\BaseNamedObjects\\" + std::string(name));
    NtUnicodeString objectName{static_cast<USHORT>(path.size() * sizeof(wchar_t)),
                               static_cast<USHORT>(path.size() * sizeof(wchar_t)), path.data()};
    NtObjectAttributes attributes{sizeof attributes, nullptr, &objectName, 0x40 /* OBJ_CASE_INSENSITIVE */, nullptr, nullptr};
    HANDLE mutant = nullptr;
    const LONG status = open(&mutant, SYNCHRONIZE, &attributes);
    if (status >= 0) {
        ::CloseHandle(mutant);
        return true;
    }
    return static_cast<ULONG>(status) == 0xC0000022;  // STATUS_ACCESS_DENIED: it exists
}

WindowHandle Win32Instance::SharedWindow() { return WindowHandle{g_hSharedWnd}; }

void Win32Instance::SetSharedWindow(WindowHandle window) { g_hSharedWnd = window.value; }

Win32Error Win32Instance::StartWinsock() {
    WSADATA data;
    return static_cast<Win32Error>(::WSAStartup(MAKEWORD(1, 1), &data));
}

}  // namespace zelta::win32
