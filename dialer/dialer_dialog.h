// DialerDialog: the dialer's main window (template 102). It owns the settings record and the window
// state, starts everything at initialisation, and routes the user's actions, timers and
// notifications to the parts that do the work. Closing it only hides it: it lives in the
// notification area until the tray's "E&xit", Escape, log-off or shutdown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/dialer_settings.h"
#include "dialer/dialer_process.h"
#include "platform/ui.h"

namespace zelta {

inline constexpr std::uint32_t WM_TRAYNOTIFY = 0x8005;  // WM_APP + 5

class DialerDialog final : public DialogController {
public:
    explicit DialerDialog(DialerProcess& process);

    // DialogController.
    void OnInitDialog(Window& window) override;
    bool OnCommand(int id) override;
    bool OnSysCommand(std::uint32_t id) override;
    bool OnClose() override;
    bool OnEndSession(bool ending, bool logoff) override;
    void OnTrayNotify(std::uint32_t mouseMessage) override;
    void OnWindowPosChanging(bool& show) override;
    bool OnRegisteredMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void OnDestroy() override;
    bool ReportsDefaultButton() override { return false; }  // so Enter is Connect whatever has the focus

    // Operations other parts use.
    void AppendStatus(std::string_view text);
    void HideDialer(WindowHandle window);
    bool IsWinlogonDesktop();
    void SetTrayConnected(bool connected);

    // Handlers.
    void OnLaunchVpn();
    void OnTrayExit();
    void OnLaunchAtBoot();
    void OnConnectAtLaunch();
    void OnWaitForWireless();
    void OnHideAfterConnect();

    DialerSettings& settings() { return m_settings; }
    // The status text of string `id` (102 to 126).
    const std::string& StatusText(int id) const;

private:
    DialerProcess& m_process;
    Window* m_window = nullptr;
    std::vector<std::string> m_strStatus;  // strings 102 to 126
    bool m_bUserHangUp = true;
    DialerSettings m_settings;
    bool m_bSavedPassword = false;
    bool m_bKeepHidden = false;
    bool m_trayAdded = false;
    int m_trayIcon;
    std::uint32_t m_uRasDialEventMsg;
    std::uint32_t m_uTaskbarCreatedMsg;
};

}  // namespace zelta
