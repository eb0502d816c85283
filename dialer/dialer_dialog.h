// DialerDialog: the dialer's main window (template 102). It owns the settings record and the window
// state, starts everything at initialisation, and routes the user's actions, timers and
// notifications to the parts that do the work. Closing it only hides it: it lives in the
// notification area until the tray's "E&xit", Escape, log-off or shutdown.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/dialer_settings.h"
#include "dialer/banner_picture.h"
#include "dialer/dialer_process.h"
#include "platform/secret.h"
#include "platform/sockets.h"
#include "platform/ui.h"
#include "routing/interface_watch.h"
#include "routing/route_commands.h"

namespace zelta {

inline constexpr std::uint32_t WM_TRAYNOTIFY = 0x8005;  // WM_APP + 5

// The dialer's window timers.
inline constexpr std::uint32_t TIMER_STATUS_POLL = 1;
inline constexpr std::uint32_t TIMER_RETRY = 2;
inline constexpr std::uint32_t TIMER_INTERFACE_WATCH = 4;
inline constexpr std::uint32_t TIMER_DESKTOP_CHECK = 5;

inline constexpr std::string_view PASSWORD_MASK = "***************";

// 1 for the remote-access errors a redial will not cure.
bool IsFatalRasError(Win32Error code);

class DialerDialog final : public DialogController, public TunnelDefaultRoute {
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

    // Operations other parts use.
    void AppendStatus(std::string_view text);
    void HideDialer(WindowHandle window);
    bool IsWinlogonDesktop();
    // What the notification icon tells: its icon, its tip (with `detail`: the server, or the error's
    // text) and, when the state changes to connected, redialling or an error, one balloon note
    // unless "Balloons" is 0.
    enum class TrayState { Disconnected, Looking, Connecting, Connected, Redialling, Error };
    void SetTray(TrayState state, std::string_view detail = {});

    // Handlers.
    void OnLaunchVpn();
    void OnTrayExit();
    void OnLaunchAtBoot();
    void OnConnectAtLaunch();
    void OnWaitForWireless();
    void OnHideAfterConnect();
    void OnNetworkInfo();

    // The connect and disconnect workflow.
    void OnConnect();
    void DoConnect();
    void Reconnect();
    void RetryTimerProc();
    void OnHangUp();
    void DisconnWrapper();
    void DoDisconnect();
    void HangUpAndWait(RasConnectionHandle& connection);
    int FindExistingConnection();
    int LoadSavedCredentials();
    void MaskPassword();
    bool IsWiredPresent() const { return m_watch.wiredPresent(); }

    // Dial progress and the watch on the connection.
    void OnRasDialEvent(std::uint32_t state, Win32Error error);
    void OnConnected(bool withRoutes);
    std::uint32_t SetRoutesForProjection();
    void StatusPollTimerProc();
    void DesktopCheckTimerProc();
    void DeleteTunnelDefaultRoute() override;
    void AddTunnelDefaultRoute() override;

    // The SecurID exchange: the listener opened at dial start, the challenge at IP projection
    // (0: no challenge or passed; -1: failed).
    int OpenSecurIdListener();
    int RunSecurIdChallenge(std::uint32_t tunnelAddress);
    int CloseSecurIdListener();

    DialerSettings& settings() { return m_settings; }
    const WirelessRouteWatch& watch() const { return m_watch; }
    // The status text of string `id` (102 to 137).
    const std::string& StatusText(int id) const;

private:
    // A status text of the string table, printf-formatted with `args` (both languages' texts carry
    // the same placeholders, which the resource tests check).
    template <typename... Args>
    std::string Format(int id, Args... args) const {
        char text[1024];
        const int length = std::snprintf(text, sizeof text, StatusText(id).c_str(), args...);
        return length < 0 ? std::string() : std::string(text);
    }
    void ReplaceStatus(std::string_view text);
    // The tip for the tray's state now, from the string table.
    std::string TrayTip() const;
    // The tip given to the shell again (after the icon was added, or the state changed).
    void ApplyTray();
    void StartRetryTimer();
    void CompleteProjection();
    bool IsVpnServerThroughTunnel(Ipv4 peer, Ipv4 local, std::uint32_t tunnelAddress);
    int ChallengeUser(Ipv4 peer);

    DialerProcess& m_process;
    Window* m_window = nullptr;
    std::vector<std::string> m_strStatus;  // strings 102 to 137
    bool m_bUserHangUp = true;
    DialerSettings m_settings;
    WirelessRouteWatch m_watch{m_settings, m_process.log, *this};
    SecretBuffer m_szPassword{256};
    bool m_bSavedPassword = false;
    bool m_bKeepHidden = false;
    bool m_trayAdded = false;
    bool m_bannerPending = true;               // looked for once, at the first paint not minimized
    std::unique_ptr<BannerPicture> m_banner;
    int m_trayIcon;
    TrayState m_trayState = TrayState::Disconnected;
    std::string m_trayDetail;
    std::uint32_t m_uRasDialEventMsg;
    std::uint32_t m_uTaskbarCreatedMsg;
    std::unique_ptr<Listener> m_securIdListener;      // from dial start to projection
    std::unique_ptr<Connection> m_securIdConnection;  // during one challenge
};

}  // namespace zelta
