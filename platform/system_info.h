// SystemInfo: who and where the process is, and the debugger output. Implemented by
// platform/win32/system_info.cpp and platform/sim/system_info.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/principal.h"
#include "platform/win32_error.h"

namespace zelta {

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
    std::string servicePack;
};

// The product's roads by Windows version. 6.0 and later negotiate L2TP/IPsec themselves and have no
// IPsec tools; 5.1 and 5.2 (XP, 2003) have "ipseccmd"; 5.0 and anything older or unread take the
// Windows 2000 road.
enum class WindowsRoad { Windows2000, WindowsXp, Vista };
inline WindowsRoad RoadFor(const OsVersion& version) {
    if (version.major >= 6) return WindowsRoad::Vista;
    return version.major == 5 && version.minor >= 1 ? WindowsRoad::WindowsXp : WindowsRoad::Windows2000;
}

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The version the system is: RtlGetVersion (ntdll, looked up at run time, so that a library in a
    // program without our manifest learns it too), GetVersionEx with the basic record where it is
    // missing.
    virtual Win32Error QueryOsVersion(OsVersion& out) = 0;

    // GetUserName: the account the process runs as ("SYSTEM" for the local system account).
    virtual Win32Error AccountName(std::string& out) = 0;

    // The user of the process's token, as an owner names it.
    virtual Win32Error OwnAccount(ObjectOwner& out) = 0;

    // The name of the desktop that receives user input ("Winlogon" while the log-on screen shows,
    // "Default" in a user session). Fails (kAccessDenied on Windows) when it cannot be opened.
    virtual Win32Error InputDesktopName(std::string& out) = 0;

    // The name of the desktop the calling thread's windows live on.
    virtual Win32Error ThreadDesktopName(std::string& out) = 0;

    // GetSystemDirectory: where the system's own programs are ("C:\WINDOWS\system32").
    virtual Win32Error SystemDirectory(std::string& out) = 0;

    // GetModuleFileName of the program: its full path.
    virtual Win32Error ProgramPath(std::string& out) = 0;

    // The session attached to the machine's own screen and keyboard: WTSGetActiveConsoleSessionId
    // where the system has it (Windows XP), 0 where every interactive user is in session 0.
    virtual std::uint32_t ConsoleSession() = 0;

    // Every session some process runs in (ProcessIdToSessionId over the machine's processes),
    // lowest first; session 0 alone where the system cannot tell.
    virtual std::vector<std::uint32_t> Sessions() = 0;

    // The user logged on in `session` (WTSQuerySessionInformation's WTSUserName, wtsapi32 loaded from
    // the system directory at run time): empty while its log-on screen shows. Fails where the system
    // has no such call (Windows 2000 without Terminal Services).
    virtual Win32Error SessionUser(std::uint32_t session, std::string& out) = 0;

    // OutputDebugString: a line for a debugger, if one listens. Never fails.
    virtual void DebugOutput(std::string_view text) = 0;

    // WriteFile on the standard output handle, when the process has one; otherwise nothing.
    virtual void WriteStdout(std::string_view text) = 0;

    // FormatMessage from the system message table (neutral language, default sub-language).
    // Returns false when the system has no text for `code`; `out` is then empty.
    virtual bool ErrorText(Win32Error code, std::string& out) = 0;

    // lstrcmpiW(a, b) == 0: the system's comparison without regard to case, for every letter it
    // knows (not only A to Z).
    virtual bool SameTextNoCase(std::u16string_view a, std::u16string_view b) = 0;
};

}  // namespace zelta
