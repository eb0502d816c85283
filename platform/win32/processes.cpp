// Implements platform/processes.h with CreateProcessW.
#include "platform/win32/processes.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

Win32Error Create(std::string_view application, std::string_view commandLine, WORD show, DWORD flags,
                  PROCESS_INFORMATION& info) {
    std::wstring wide = Wide(commandLine);
    std::vector<wchar_t> line(wide.begin(), wide.end());  // CreateProcessW may write into the command line
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    const std::wstring file = Wide(application);
    if (!::CreateProcessW(application.empty() ? nullptr : file.c_str(), line.data(), nullptr, nullptr, FALSE, flags,
                          nullptr, nullptr, &startup, &info))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace

Win32Error Win32Processes::RunAndWait(std::string_view application, std::string_view commandLine,
                                     std::uint32_t& exitCode) {
    exitCode = 0;
    PROCESS_INFORMATION info{};
    if (const Win32Error rc = Create(application, commandLine, SW_HIDE, CREATE_NEW_CONSOLE, info)) return rc;
    UniqueFile process(info.hProcess);
    UniqueFile thread(info.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.Get(), &code)) exitCode = code;
    return ERROR_SUCCESS;
}

Win32Error Win32Processes::StartInSession(std::string_view commandLine, std::uint32_t session,
                                         std::string_view desktop) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &opened)) return ::GetLastError();
    UniqueObject self(opened);
    HANDLE duplicated = nullptr;
    constexpr DWORD kAccess = TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ADJUST_DEFAULT |
                              TOKEN_ADJUST_SESSIONID;
    if (!::DuplicateTokenEx(self.Get(), kAccess, nullptr, SecurityImpersonation, TokenPrimary, &duplicated))
        return ::GetLastError();
    UniqueObject token(duplicated);
    DWORD own = 0;
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenSessionId, &own, sizeof own, &size);
    DWORD target = session;
    // Moving a token to another session takes the system account's privilege; staying needs none.
    if (own != target && !::SetTokenInformation(token.Get(), TokenSessionId, &target, sizeof target))
        return ::GetLastError();

    std::wstring wide = Wide(commandLine);
    std::vector<wchar_t> line(wide.begin(), wide.end());  // CreateProcessAsUserW may write into it
    line.push_back(L'\0');
    std::wstring station = Wide(desktop);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = station.data();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessAsUserW(token.Get(), nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &info))
        return ::GetLastError();
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

Win32Error Win32Processes::Start(std::string_view commandLine, StartWindow window) {
    PROCESS_INFORMATION info{};
    const WORD show = window == StartWindow::Hidden ? SW_HIDE : SW_SHOWDEFAULT;
    if (const Win32Error rc = Create({}, commandLine, show, 0, info)) return rc;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
