// DialerApp::InitInstance: the start-up roads of dial.exe.
#include "dialer/dialer_app.h"

#include "dialer/dialer_dialog.h"
#include "dialer/resource.h"

#include "common/dialer_settings.h"
#include "common/shared_names.h"
#include "dialer/phonebook_entry.h"
#include "dialer/service_pipe.h"
#include "platform/text.h"

namespace zelta {

StartRoad DialerApp::UserContextStart() {
    // Only a missing entry is created here: an ordinary user's start never rewrites an existing one.
    if (m_platform.remoteAccess.ValidateEntryName(kEntryName) == err::kSuccess) {
        DialerSettings settings(m_platform, m_process.log);
        settings.Load();
        ProvisionPhonebookEntry(settings);
    }
    NotifyServiceUserStart(m_platform.pipes, m_process.log);
    return StartRoad::UserContext;
}

bool DialerApp::IsFirstCopyWindow(WindowHandle window) {
    if (!window) return false;
    WindowOwner owner;
    std::string ownPath;
    if (m_platform.dialogs.DescribeWindow(window, owner) != err::kSuccess ||
        m_platform.system.ProgramPath(ownPath) != err::kSuccess)
        return false;
    return owner.dialog && owner.sameAccount && owner.sameSession && EqualsNoCase(owner.programPath, ownPath);
}

bool DialerApp::IsSquatted(Win32Error claim) {
    std::string owner;
    if (claim == err::kAlreadyExists) {
        ObjectOwner found;
        const Win32Error rc = m_platform.instance.MutexOwner(found);
        if (rc == err::kSuccess && (found.principal == Principal::LocalSystem || found.principal == Principal::Administrators))
            return false;  // a real copy of ours holds it
        owner = rc == err::kSuccess ? LogSafe(found.sid) : "an account that cannot be read (error " + std::to_string(rc) + ")";
    }
    // Nobody but the system account may keep its window from opening: log why, and open it all the same.
    DialerSettings settings(m_platform, m_process.log);
    settings.Load();
    if (claim == err::kAlreadyExists) {
        m_process.log.LogMessage(log_level::kMain,
                                 "The instance mutex belongs to %s, not to the system; the dialer opens all the same\n",
                                 owner.c_str());
    } else {
        m_process.log.LogMessage(log_level::kMain,
                                 "The instance mutex cannot be created, error %u: another program holds its name; "
                                 "the dialer opens all the same\n",
                                 claim);
    }
    return true;
}

StartRoad DialerApp::InitInstance() {
    std::string account;
    if (m_platform.system.AccountName(account) == err::kSuccess && !EqualsNoCase(account, "SYSTEM"))
        return UserContextStart();

    // An account name that cannot be read takes the system road too.
    if (const Win32Error claim = m_platform.instance.ClaimMutex(kInstanceMutexName); claim != err::kSuccess) {
        // The shared section is writable by every copy of this program, a user's too: its handle is
        // acted on only when it is the window of a real first copy.
        const WindowHandle window = m_platform.instance.SharedWindow();
        if (IsFirstCopyWindow(window)) {
            m_platform.dialogs.SetForeground(window);
            m_platform.dialogs.SendCommand(window, IDM_LAUNCH_VPN);
            m_platform.dialogs.Show(window, ShowCommand::Restore);
            return StartRoad::SecondCopyWindow;
        }
        if (!IsSquatted(claim)) return StartRoad::SecondCopy;  // the first copy has no window yet
    }

    if (m_platform.instance.StartWinsock() != err::kSuccess) return StartRoad::NoWinsock;
    DialerDialog dialog(m_process);
    m_platform.dialogs.DoModal(IDD_DIALER, dialog);
    return StartRoad::FirstCopy;
}

}  // namespace zelta
