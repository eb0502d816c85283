// DialConnection: the dialer's connection to the VPN server, as the window's buttons, timers and
// "RasDialEvent" messages drive it: Connect (switch discovery, IPsec, the phonebook entry, the
// credentials, RasDial), the dial's progress, the completed connection and its routes, the status
// poll and redial, HangUp, and the SecurID exchange at IP projection. What it shows goes to the
// status pane, the tray icon and the window's controls.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/dialer_settings.h"
#include "dialer/dialer_process.h"
#include "dialer/dialer_window.h"
#include "dialer/securid/securid_exchange.h"
#include "dialer/status_texts.h"
#include "dialer/tray_icon.h"
#include "platform/secret.h"
#include "routing/interface_watch.h"
#include "routing/route_commands.h"

namespace zelta {

inline constexpr std::string_view PASSWORD_MASK = "***************";

// 1 for the remote-access errors a redial will not cure.
bool IsFatalRasError(Win32Error code);

// What the connection shows and reads: the window with its controls, the pane and the icon.
struct ConnectionView {
    Window& window;
    StatusPane& pane;
    TrayIcon& tray;
    const StatusTexts& texts;
};

class DialConnection {
public:
    DialConnection(DialerProcess& process, DialerSettings& settings, const WirelessRouteWatch& watch, ConnectionView view);

    // Connect and HangUp.
    void OnConnect();
    void DoConnect();
    void Reconnect();
    void RetryTimerProc();
    void OnHangUp();
    void DisconnWrapper();
    void DoDisconnect();
    void HangUpAndWait(RasConnectionHandle& connection);
    // 1 when a connection of the entry's name is up (it becomes the dial's), 0 otherwise.
    int FindExistingConnection();
    // 1 when the entry has a saved password, which the password box then shows as the mask.
    int LoadSavedCredentials();
    void MaskPassword();

    // Dial progress and the watch on the connection.
    void OnRasDialEvent(std::uint32_t state, Win32Error error);
    void OnConnected(bool withRoutes);
    std::uint32_t SetRoutesForProjection();
    void StatusPollTimerProc();

    SecurIdExchange& securId() { return m_securId; }

private:
    void AppendStatus(std::string_view text) { m_view.pane.AppendStatus(text); }
    void ReplaceStatus(std::string_view text) { m_view.pane.ReplaceStatus(text); }
    const std::string& StatusText(int id) const { return m_view.texts.Text(id); }
    // Connect enabled and HangUp disabled, or the other way round.
    void EnableConnect(bool connect);
    void StartRetryTimer();
    // Connect's steps, in order; each false stops it, having said why.
    bool OnTheWayToTheSwitch();                 // switch discovery, or the retry
    bool ReadDialParams(RasDialParams& params);  // true when the boxes gave a user name and password
    bool PrepareIpsecAndEntry();
    void StoreDialParams(const RasDialParams& params, bool haveCredentials);
    bool HandTheKey();
    void StartDial(const RasDialParams& params);
    void CompleteProjection();
    // A dial that cannot go on because of `why`: said in the pane and the tray, Connect enabled again.
    void StopConnect(const std::string& why);

    DialerProcess& m_process;
    DialerSettings& m_settings;
    const WirelessRouteWatch& m_watch;
    ConnectionView m_view;
    SecurIdExchange m_securId;
    bool m_bUserHangUp = true;
    SecretBuffer m_szPassword{256};
    bool m_bSavedPassword = false;
    InterfaceAddress m_towardsServer;  // of the interface towards the server, as last found
};

}  // namespace zelta
