// DialerDialog: the dialer's main window (template 102). It owns the settings record, the status
// texts, the tray icon, the interface watch and the connection; it starts them at initialisation
// and routes the user's actions, timers and notifications to them. Closing it only hides it: it
// lives in the notification area until the tray's "E&xit", Escape, log-off or shutdown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/dialer_settings.h"
#include "dialer/banner_picture.h"
#include "dialer/dial_connection.h"
#include "dialer/dialer_process.h"
#include "dialer/dialer_window.h"
#include "dialer/status_texts.h"
#include "dialer/tray_icon.h"
#include "platform/ui.h"
#include "routing/interface_watch.h"

namespace zelta {

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
    void OnTimer(std::uint32_t id) override;
    bool OnPaint() override;
    bool OnRegisteredMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void OnDestroy() override;
    bool ReportsDefaultButton() override { return false; }  // so Enter is Connect whatever has the focus

    // Handlers.
    void OnLaunchVpn();
    void OnTrayExit();
    void OnLaunchAtBoot();
    void OnConnectAtLaunch();
    void OnWaitForWireless();
    void OnHideAfterConnect();
    void OnNetworkInfo();
    void DesktopCheckTimerProc();

    // The parts the window holds, from initialisation on.
    StatusPane& pane() { return *m_pane; }
    TrayIcon& tray() { return *m_tray; }
    DialConnection& connection() { return *m_connection; }
    DialerSettings& settings() { return m_settings; }
    const WirelessRouteWatch& watch() const { return m_watch; }

private:
    void HideDialer() { zelta::HideDialer(*m_window, m_process.platform.system, m_process.log); }
    // The title with the dialer's name from the settings (and " (DEBUG)" while logging).
    void ShowTitle();
    // The option check boxes as the settings have them.
    void ShowOptions();
    // The banner picture, looked for once, at the first paint not minimized.
    void LoadBanner();

    DialerProcess& m_process;
    Window* m_window = nullptr;
    StatusTexts m_texts;
    DialerSettings m_settings;
    WirelessRouteWatch m_watch{m_settings, m_process.log};
    std::optional<StatusPane> m_pane;
    std::optional<TrayIcon> m_tray;
    std::optional<DialConnection> m_connection;
    bool m_bKeepHidden = false;
    bool m_bannerPending = true;
    std::unique_ptr<BannerPicture> m_banner;
    std::uint32_t m_uRasDialEventMsg;
    std::uint32_t m_uTaskbarCreatedMsg;
};

}  // namespace zelta
