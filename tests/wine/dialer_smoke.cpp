// Drives the real dial.exe under Wine the way a user and Windows would: finds its window, reads its
// controls and the registry markers, clicks option boxes, closes and restores the window, presses
// Escape, and checks the log; then ends two more copies with their About box open. Prints one line a
// check; exits 0 only when all held.
#include <windows.h>

#include "tests/wine/driver.h"

#include <cstdio>
#include <string>

namespace {

using zelta::wine::Check;
using zelta::wine::ReadLog;
using zelta::wine::Text;

DWORD ReadDword(const wchar_t* name, DWORD fallback) {
    HKEY key = nullptr;
    DWORD value = fallback;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Zelta\\zeltadialer", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof value;
        DWORD type = 0;
        if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
            value = fallback;
        ::RegCloseKey(key);
    }
    return value;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

const wchar_t* const kTitle = L"VPN Dialer - Campus (DEBUG)";

HWND WaitForWindow(const wchar_t* title) {
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
        window = ::FindWindowW(nullptr, title);
        if (!window) ::Sleep(100);
    }
    return window;
}

// Starts another dial.exe, opens its About box, and ends its window by `end` while the box is open:
// the end's work must be done when `end` returns, and the process must go by itself.
void EndWithTheAboutBoxOpen(const char* how, void (*end)(HWND)) {
    // The copy before must be quite gone (its single-instance mutex with it), or this one would only
    // bring that one forward.
    for (int i = 0; i < 100; ++i) {
        HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, L"MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA");
        if (!mutex) break;
        ::CloseHandle(mutex);
        ::Sleep(100);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t commandLine[] = L"\"C:\\Dialer\\dial.exe\"";
    if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        Check(false, "a second dial.exe starts");
        return;
    }
    HWND dialer = WaitForWindow(kTitle);
    for (int i = 0; i < 100 && dialer && !::IsWindowVisible(dialer); ++i) ::Sleep(100);
    ::PostMessageW(dialer, WM_SYSCOMMAND, 16, 0);  // the system menu's About item
    const HWND about = WaitForWindow(L"About Zelta VPN Dialer");
    std::printf("-- %s with the About box open\n", how);
    Check(about != nullptr, "the About box opened");
    const std::size_t exitsBefore = Count(ReadLog(), "***** Program Exited *****");
    end(dialer);
    Check(ReadDword(L"IsRunning", 99) == 0, "IsRunning is 0 when the end's message returns");
    Check(Count(ReadLog(), "***** Program Exited *****") == exitsBefore + 1, "the exit line is logged by then");
    const bool gone = ::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0;
    Check(gone, "the dialer's process ends by itself, the About box with it");
    if (!gone) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace

int wmain() {
    HWND dialer = WaitForWindow(kTitle);
    Check(dialer != nullptr, "the window titled \"VPN Dialer - Campus (DEBUG)\" opened");
    if (!dialer) return 1;
    // The title is set half way through the dialog's initialisation; it is shown once that is done.
    for (int i = 0; i < 100 && !::IsWindowVisible(dialer); ++i) ::Sleep(100);
    Check(::IsWindowVisible(dialer) != FALSE, "the window is shown once initialised");

    const int ids[] = {1, 3, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1011, 1012, 1015};
    bool allControls = true;
    for (int id : ids) allControls = allControls && ::GetDlgItem(dialer, id) != nullptr;
    Check(allControls, "every documented control is there");
    Check(Text(::GetDlgItem(dialer, 1)) == L"Connect" && Text(::GetDlgItem(dialer, 3)) == L"HangUp",
          "Connect and HangUp carry their captions");
    Check(!::IsWindowEnabled(::GetDlgItem(dialer, 3)), "HangUp is disabled while not connected");
    const std::wstring pane = Text(::GetDlgItem(dialer, 1011));
    Check(pane == L"Not Connected.\r\n\r\n", "the status pane says Not Connected.");
    if (pane != L"Not Connected.\r\n\r\n") std::printf("  the pane holds %zu characters: \"%ls\"\n", pane.size(), pane.c_str());
    Check(ReadDword(L"IsRunning", 99) == 1, "IsRunning is 1");

    const DWORD before = ReadDword(L"SetupFlags", 99);
    ::SendMessageW(::GetDlgItem(dialer, 1006), BM_CLICK, 0, 0);
    Check(ReadDword(L"SetupFlags", 99) == (before ^ 0x1), "clicking Launch at Boot Up toggles bit 1 of SetupFlags");
    ::SendMessageW(::GetDlgItem(dialer, 1008), BM_CLICK, 0, 0);
    Check(ReadDword(L"SetupFlags", 99) == (before ^ 0x5), "clicking Wait For Wireless toggles bit 4 of SetupFlags");
    Check(::IsDlgButtonChecked(dialer, 1008) == ((before & 0x4) ? BST_UNCHECKED : BST_CHECKED),
          "the check box shows the new state");

    // Connect: Wine has no remote access and no route to the server, so the attempt says it will retry.
    ::SendMessageW(::GetDlgItem(dialer, 1), BM_CLICK, 0, 0);
    Check(Text(::GetDlgItem(dialer, 1011)).find(L"will retry") != std::wstring::npos, "Connect shows a will-retry line");
    Check(::IsWindowEnabled(::GetDlgItem(dialer, 3)) != FALSE, "HangUp is enabled while a retry waits");
    ::SendMessageW(::GetDlgItem(dialer, 3), BM_CLICK, 0, 0);
    Check(Text(::GetDlgItem(dialer, 1011)) == L"Not Connected.\r\n\r\n", "HangUp resets the status pane");

    ::SendMessageW(dialer, WM_CLOSE, 0, 0);
    Check(!::IsWindowVisible(dialer), "the close box hides the window");
    ::SendMessageW(dialer, WM_COMMAND, 32771, 0);
    Check(::IsWindowVisible(dialer) != FALSE, "command 32771 (Launch VPN) shows it again");

    ::PostMessageW(dialer, WM_COMMAND, IDCANCEL, 0);  // what Escape sends
    for (int i = 0; i < 100 && ::IsWindow(dialer); ++i) ::Sleep(100);
    Check(!::IsWindow(dialer), "Escape ends the dialer");
    ::Sleep(500);
    Check(ReadDword(L"IsRunning", 99) == 0, "IsRunning is 0 after the end");
    const std::string log = ReadLog();
    Check(log.find("***** Program Started *****") != std::string::npos, "vpn.log has the start line");
    Check(log.find("***** Program Exited *****") != std::string::npos, "vpn.log has the exit line");
    Check(log.find("User hit CONNECT") != std::string::npos, "vpn.log has \"User hit CONNECT\"");

    // The end is immediate, whatever box is open: at log-off Windows may end the process as soon as
    // WM_ENDSESSION returns, and the tray's Exit must not wait for the box to be answered.
    EndWithTheAboutBoxOpen("a log-off", [](HWND window) {
        ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    });
    Check(ReadDword(L"Disable", 99) == 0, "a log-off leaves Disable 0");
    EndWithTheAboutBoxOpen("the tray's Exit", [](HWND window) { ::SendMessageW(window, WM_COMMAND, 32772, 0); });
    Check(ReadDword(L"Disable", 99) == 1, "Exit sets Disable 1");
    return zelta::wine::g_failures == 0 ? 0 : 1;
}
