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
    NotifyServiceUserStart(m_platform, m_process.log);
    return StartRoad::UserContext;
}

StartRoad DialerApp::InitInstance() {
    std::string account;
    if (m_platform.system.AccountName(account) == err::kSuccess && !EqualsNoCase(account, "SYSTEM"))
        return UserContextStart();

    // An account name that cannot be read takes the system road too. A mutex that cannot be created
    // is taken as another copy running.
    if (m_platform.instance.ClaimMutex(kInstanceMutexName) != err::kSuccess) {
        const WindowHandle window = m_platform.instance.SharedWindow();
        if (!window) return StartRoad::SecondCopy;  // the first copy has no window yet
        m_platform.dialogs.SetForeground(window);
        m_platform.dialogs.SendCommand(window, IDM_LAUNCH_VPN);
        m_platform.dialogs.Show(window, ShowCommand::Restore);
        return StartRoad::SecondCopyWindow;
    }

    if (m_platform.instance.StartWinsock() != err::kSuccess) return StartRoad::NoWinsock;
    DialerDialog dialog(m_process);
    m_platform.dialogs.DoModal(IDD_DIALER, dialog);
    return StartRoad::FirstCopy;
}

}  // namespace zelta
