// Implements platform/system_info.h with the wide system calls.
#include "platform/win32/system_info.h"

#include <windows.h>
#include <tlhelp32.h>

#include <set>
#include <string>
#include <utility>

#include "platform/win32/dynamic_calls.h"
#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

Win32Error DesktopName(HDESK desktop, std::string& out) {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!::GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof name[0], &needed))
        return ::GetLastError();
    out = Narrow(name);
    return ERROR_SUCCESS;
}

}  // namespace

Win32Error Win32SystemInfo::QueryOsVersion(OsVersion& out) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const auto trueVersion = SystemCalls().RtlGetVersion;
    if (!(trueVersion && trueVersion(&info) >= 0) && !::GetVersionExW(&info)) return ::GetLastError();
    out = OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId,
                    Narrow(info.szCSDVersion)};
    return ERROR_SUCCESS;
}

Win32Error Win32SystemInfo::AccountName(std::string& out) {
    wchar_t name[257] = {};  // UNLEN + 1
    DWORD length = 257;
    if (!::GetUserNameW(name, &length)) return ::GetLastError();
    out = Narrow(name);
    return ERROR_SUCCESS;
}

Win32Error Win32SystemInfo::InputDesktopName(std::string& out) {
    UniqueDesktop desktop(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    if (!desktop) return ::GetLastError();
    return DesktopName(desktop.Get(), out);
}

Win32Error Win32SystemInfo::ThreadDesktopName(std::string& out) {
    // The thread's desktop handle belongs to the system; it is not closed.
    HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    if (!desktop) return ::GetLastError();
    return DesktopName(desktop, out);
}

Win32Error Win32SystemInfo::SystemDirectory(std::string& out) {
    wchar_t path[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH + 1);
    if (length == 0) return ::GetLastError();
    if (length > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    out = Narrow(std::wstring_view(path, length));
    return ERROR_SUCCESS;
}

Win32Error Win32SystemInfo::ProgramPath(std::string& out) {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0) return ::GetLastError();
    if (length > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    out = Narrow(std::wstring_view(path, length));
    return ERROR_SUCCESS;
}

std::uint32_t Win32SystemInfo::ConsoleSession() {
    const auto console = SystemCalls().WTSGetActiveConsoleSessionId;
    if (!console) return 0;  // Windows 2000: the console is session 0
    const DWORD session = console();
    return session == 0xFFFFFFFF ? 0 : session;  // between sessions (a switch under way)
}

Win32Error Win32SystemInfo::OwnAccount(ObjectOwner& out) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return ::GetLastError();
    UniqueObject token(opened);
    std::vector<std::uint8_t> user;
    if (const DWORD rc = ReadTokenUser(token.Get(), user); rc != ERROR_SUCCESS) return rc;
    out = OwnerOf(TokenUserSid(user));
    return ERROR_SUCCESS;
}

Win32Error Win32SystemInfo::SessionUser(std::uint32_t session, std::string& out) {
    // wtsapi32 is not among the DLLs every process has: loaded by its full path in the system directory.
    using Query = BOOL(WINAPI*)(HANDLE, DWORD, int, wchar_t**, DWORD*);
    using Free = void(WINAPI*)(void*);
    static const auto functions = [] {
        std::pair<Query, Free> found{nullptr, nullptr};
        wchar_t directory[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
        if (length == 0 || length >= MAX_PATH - 16) return found;
        HMODULE module = ::LoadLibraryW((std::wstring(directory) + L"\\wtsapi32.dll").c_str());  // kept for the process
        if (!module) return found;
        found.first = reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(module, "WTSQuerySessionInformationW")));
        found.second = reinterpret_cast<Free>(reinterpret_cast<void*>(::GetProcAddress(module, "WTSFreeMemory")));
        return found;
    }();
    if (!functions.first || !functions.second) return ERROR_PROC_NOT_FOUND;
    constexpr int kUserName = 5;  // WTSUserName
    wchar_t* name = nullptr;
    DWORD bytes = 0;
    if (!functions.first(nullptr /* WTS_CURRENT_SERVER_HANDLE */, session, kUserName, &name, &bytes)) return ::GetLastError();
    const std::size_t characters = name ? wcsnlen(name, bytes / sizeof(wchar_t)) : 0;
    out = Narrow(std::wstring_view(name ? name : L"", characters));
    functions.second(name);
    return ERROR_SUCCESS;
}

std::vector<std::uint32_t> Win32SystemInfo::Sessions() {
    std::set<std::uint32_t> sessions{0};
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        DWORD session = 0;
        if (::ProcessIdToSessionId(entry.th32ProcessID, &session)) sessions.insert(session);
    }
    return {sessions.begin(), sessions.end()};
}

void Win32SystemInfo::DebugOutput(std::string_view text) { ::OutputDebugStringW(Wide(text).c_str()); }

void Win32SystemInfo::WriteStdout(std::string_view text) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const std::string ansi = ToAnsi(text);
    DWORD written = 0;
    ::WriteFile(out, ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr);
}

bool Win32SystemInfo::ErrorText(Win32Error code, std::string& out) {
    out.clear();
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    UniqueLocal owner(text);
    if (length == 0 || !text) return false;
    out = Narrow(std::wstring_view(text, length));
    return true;
}

bool Win32SystemInfo::SameTextNoCase(std::u16string_view a, std::u16string_view b) {
    // lstrcmpiW reads up to a terminator: the copies end where the views do.
    const std::wstring left(a.begin(), a.end());
    const std::wstring right(b.begin(), b.end());
    return ::lstrcmpiW(left.c_str(), right.c_str()) == 0;
}

}  // namespace zelta::win32
