// CustomDialer: process attach and detach, the debug log, and the custom-dial entry points.
#include "customdial/custom_dialer.h"

#include <cstdio>
#include <memory>
#include <new>

#include "common/ipsec_policy.h"
#include "common/shared_names.h"
#include "common/services.h"
#include "customdial/credentials_dialog.h"
#include "customdial/resource.h"
#include "routing/switch_discovery.h"

namespace zelta {
namespace {

constexpr std::size_t kCustomDialLogCapacity = 2048;  // characters, with the terminator
constexpr const char* kCustomDialLogPath = "\\cdial.log";
constexpr Win32Error kOutOfMemory = 14;

unsigned Handle32(std::uint64_t value) { return static_cast<unsigned>(value); }

}  // namespace

std::string QuotedCommandLine(std::string_view program, std::string_view arguments) {
    std::string line;
    if (program.find(' ') != std::string_view::npos && !program.starts_with('"')) {
        line = "\"" + std::string(program) + "\"";
    } else {
        line = std::string(program);
    }
    if (!arguments.empty()) line += " " + std::string(arguments);
    return line;
}

CustomDialer::CustomDialer(Platform& platform, std::string modulePath, std::uintptr_t module)
    : m_platform(platform),
      m_log(platform),
      m_settings(platform, m_log, DialerSettings::ExtranetProbe::Skip),
      m_modulePath(std::move(modulePath)),
      m_module(module) {
    m_settings.Load();
    LogDllMain("Process Attach");
}

CustomDialer::~CustomDialer() { LogDllMain("Process Detach"); }

void CustomDialer::LogDllMain(const char* reason) {
    WriteCustomDialLog("CustomDial DLLMain (instance: 0x%08x) called - %s\n", static_cast<unsigned>(m_module), reason);
}

void CustomDialer::LogThreadNotification(bool attach) { LogDllMain(attach ? "Thread Attach" : "Thread Detach"); }

void CustomDialer::WriteCustomDialLog(const char* format, ...) {
    if (m_settings.debugMask == 0) return;
    std::va_list args;
    va_start(args, format);
    std::string line = FormatBounded(kCustomDialLogCapacity, format, args);
    va_end(args);
    // Never through a link a user planted at the drive root: a line that cannot go in is dropped.
    m_platform.files.AppendTextPlain(kCustomDialLogPath, line);
    m_platform.system.DebugOutput(line);
}

Win32Error CustomDialer::RasCustomDial(const RasDialExtensions* extensions, std::string_view phonebook,
                                       RasDialParams* params, RasNotifier notifier, RasConnectionHandle& out) {
    WriteCustomDialLog("RasCustomDial called in customdial.dll\n");
    if (!params) return ras_error::kUnknown;
    RasDialExtensions local = extensions ? *extensions : RasDialExtensions{};
    local.dwfOptions |= kRasCustomDialOption;  // this dial is the custom dialer's own: no recursion
    WriteCustomDialLog("--- RasCustomDial RasDialParams: E: '%s' UN: '%s' D: '%s'\n", LogSafe(params->szEntryName).c_str(),
                       LogSafe(params->szUserName).c_str(), LogSafe(params->szDomain).c_str());
    const Win32Error rc = m_platform.remoteAccess.DialWith(local, phonebook, *params, notifier, out);
    WriteCustomDialLog("--- RasCustomDial returning handle 0x%08x\n", Handle32(out.value));
    WriteCustomDialLog("RasCustomDial exiting customdial.dll with return code: %d\n", static_cast<int>(rc));
    return rc;
}

Win32Error CustomDialer::RasCustomHangUp(RasConnectionHandle connection) {
    WriteCustomDialLog("RasCustomHangUp called in customdial.dll\n");
    WriteCustomDialLog("--- RasCustomHangUp on handle 0x%08x\n", Handle32(connection.value));
    const Win32Error rc = m_platform.remoteAccess.HangUp(connection);
    WriteCustomDialLog("RasCustomHangUp exiting customdial.dll with return code: %d\n", static_cast<int>(rc));
    return rc;
}

bool CustomDialer::RasCustomDialDlg(std::string_view phonebook, std::optional<std::string> entry,
                                    std::optional<std::string> phoneNumber, RasDialDlgInfo* info) {
    WriteCustomDialLog("RasCustomDialDlg called in customdial.dll\n");
    const std::string book(phonebook);
    WriteCustomDialLog("szPhonebook=%s, entry=%s\n", LogSafe(book).c_str(), entry ? LogSafe(*entry).c_str() : "(null)");
    if (!info) return false;
    WriteCustomDialLog("hwnd=0x%08X\n", info->hwndOwner.value);
    if (!info->hwndOwner) {
        LaunchDialer();
        return false;
    }
    if (FindSwitchInterfaceNarrowed(m_settings).path == NoRoute) {
        WriteCustomDialLog("--- RasCustomDial link down\n");
        m_platform.dialogs.ShowMessageBox(m_platform.resources.String(IDS_LINK_DOWN),
                                          m_platform.resources.String(IDS_ERROR_TITLE), 0);
        return false;
    }
    PrepareIpsecService(m_settings);
    ApplyIpsecPolicy(m_settings);

    RasDialParams params;
    if (entry) params.szEntryName = FirstCharacters(*entry, 256);
    if (phoneNumber) params.szPhoneNumber = FirstCharacters(*phoneNumber, 128);
    info->hwndOwner = WindowHandle{};  // from here on the credentials dialog has no owner
    if (entry) {
        bool passwordSaved = false;
        const Win32Error rc = m_platform.remoteAccess.GetEntryDialParams(phonebook, params.szEntryName, params, passwordSaved);
        if (rc != err::kSuccess) {
            WriteCustomDialLog("--- Error retrieving Entry Dial Parameters: %d\n", static_cast<int>(rc));
        } else {
            WriteCustomDialLog("--- RasGetEntryDialParams: UN: '%s' D: '%s'\n", LogSafe(params.szUserName).c_str(),
                               LogSafe(params.szDomain).c_str());
        }
    }
    const bool connected = DialFromDialog(phonebook, params, *info);
    WriteCustomDialLog("RasCustomDialDlg exiting customdial.dll with return code: %d\n", connected ? 1 : 0);
    return connected;  // the parameters' password is wiped as they go
}

// The credentials dialog, then the dial through the library's own RasCustomDial.
bool CustomDialer::DialFromDialog(std::string_view phonebook, RasDialParams& params, RasDialDlgInfo& info) {
    std::unique_ptr<CredentialsBlock> block(new (std::nothrow) CredentialsBlock{info, params.Clone()});
    if (!block) {
        WriteCustomDialLog("--- Memory allocation failed (HeapAlloc) in RasCustomDialDlg (GetLastError = %d)\n",
                           static_cast<int>(kOutOfMemory));
        info.dwError = kOutOfMemory;
        return false;
    }
    CredentialsDialog dialog(m_platform.dialogs, block.get());
    const int answer = m_platform.dialogs.DoModal(IDD_CREDENTIALS, dialog);
    if (answer == 0 || answer == -1) {
        info.dwError = m_platform.dialogs.LastError();
        WriteCustomDialLog("--- DialogBox Failed (or cancelled) in RasCustomDialDlg (GetLastError = %d)\n",
                           static_cast<int>(info.dwError));
        return false;
    }
    params = block->params.Clone();
    RasConnectionHandle connection;
    const Win32Error rc = RasCustomDial(nullptr, phonebook, &params, RasNotifier{}, connection);
    if (rc != err::kSuccess) {
        RasCustomHangUp(connection);
        info.dwError = rc;
        return false;
    }
    if (const Win32Error saved = m_platform.remoteAccess.SetEntryDialParams(phonebook, params, false); saved != err::kSuccess)
        WriteCustomDialLog("--- Error setting Entry Dial Parameters: %d\n", static_cast<int>(saved));
    return true;
}

bool CustomDialer::RasCustomEntryDlg(std::string_view, std::string_view) {
    LaunchDialer();
    return false;  // the system's property sheet is never shown
}

Win32Error CustomDialer::RasCustomDeleteEntryNotify(std::string_view phonebook, std::string_view entry) {
    WriteCustomDialLog("RasCustomDeleteEntryNotify called in customdial.dll\n");
    const Win32Error rc = m_platform.remoteAccess.DeleteEntry(phonebook, entry);
    WriteCustomDialLog("RasCustomDeleteEntryNotify exiting customdial.dll with return code: %d\n", static_cast<int>(rc));
    return rc;
}

}  // namespace zelta
