// CustomDialer: zeltavpn.dll's state in one process and its entry points. Constructing it is the
// library's process attach (the settings are loaded once, then), destroying it its detach. Dials and
// hang-ups from other programs pass straight through to remote access with the custom-dial mark;
// Windows' dial dialog becomes a reachability check, the IPsec preparation, the credentials dialog
// and a synchronous dial; the properties dialog starts the dialer program instead.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/custom_dial.h"
#include "platform/platform.h"

namespace zelta {

class CustomDialer final : public CustomDialLibrary {
public:
    // `modulePath`: the library's full path (GetModuleFileName); `module`: its module handle.
    CustomDialer(Platform& platform, std::string modulePath, std::uintptr_t module);
    ~CustomDialer() override;
    CustomDialer(const CustomDialer&) = delete;
    CustomDialer& operator=(const CustomDialer&) = delete;

    Win32Error RasCustomDial(const RasDialExtensions* extensions, std::string_view phonebook, RasDialParams* params,
                             RasNotifier notifier, RasConnectionHandle& out) override;
    Win32Error RasCustomHangUp(RasConnectionHandle connection) override;
    bool RasCustomDialDlg(std::string_view phonebook, std::optional<std::string> entry,
                          std::optional<std::string> phoneNumber, RasDialDlgInfo* info) override;
    bool RasCustomEntryDlg(std::string_view phonebook, std::string_view entry) override;
    Win32Error RasCustomDeleteEntryNotify(std::string_view phonebook, std::string_view entry) override;
    std::uint32_t DllRegisterServer() override;
    std::uint32_t DllUnregisterServer() override;

    // Starts the dialer program named by "ZeltaVPNPath".
    void LaunchDialer();
    // DllMain's line for a thread attaching or detaching (the library asks not to get them).
    void LogThreadNotification(bool attach);

    // One line of the library's debug log "\cdial.log" (and the debugger output), only while the
    // "DEBUG" setting is non-zero; cut at 2048 characters.
    void WriteCustomDialLog(const char* format, ...) ZELTA_PRINTF(2, 3);

    DialerSettings& settings() { return m_settings; }

private:
    void LogDllMain(const char* reason);
    std::string ModuleDirectory() const;
    void StartServiceProgram(const char* option);
    bool DialFromDialog(std::string_view phonebook, RasDialParams& params, RasDialDlgInfo& info);

    Platform& m_platform;
    Log m_log;
    DialerSettings m_settings;
    std::string m_modulePath;
    std::uintptr_t m_module;
};

// A command line for `program` and `arguments`: the program quoted when its path holds a space and
// is not quoted already, so that "C:\Program Files\..." never starts "C:\Program.exe".
std::string QuotedCommandLine(std::string_view program, std::string_view arguments = {});

}  // namespace zelta
