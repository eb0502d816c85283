// Dial progress and the watch on the connection: the "RasDialEvent" routine, the completed
// connection and its routes, the status poll and redial.
#include "dialer/dial_connection.h"
#include "dialer/resource.h"
#include "platform/text.h"

namespace zelta {
namespace {

constexpr std::uint32_t kLostLinkPauseMs = 3000;

}  // namespace

// Failures that a redial will not cure: wrong credentials, refused or incompatible security.
bool IsFatalRasError(Win32Error code) {
    switch (code) {
        case 645: case 646: case 647: case 648: case 691: case 739:
        case 741: case 742: case 743: case 756: case 781:
            return true;
        default:
            return false;
    }
}

void DialConnection::OnRasDialEvent(std::uint32_t state, Win32Error error) {
    if (m_process.g_bSessionClosing) return;
    Log& log = m_process.log;
    if (error != 0) {
        std::string reason;
        m_process.platform.remoteAccess.ErrorString(error, reason);
        std::string message = m_view.texts.Format(IDS_DIAL_ERROR, static_cast<int>(error), static_cast<unsigned>(error), reason.c_str());
        log.DebugTrace("%s", message.c_str());
        log.LogMessage(log_level::kMain, "Hung up, reason=%s\n", message.c_str());
        HangUpAndWait(m_process.g_hdl);
        if (m_bUserHangUp) return;  // the user hung up meanwhile: nothing to show, nothing to redial
        if (IsFatalRasError(error)) {
            message += StatusText(IDS_TRY_AGAIN);
            if (error == 741 || error == 743) message += StatusText(IDS_TRY_REBOOTING);
            EnableConnect(true);
            AppendStatus(message);
            const std::string tip = reason.empty() ? m_view.texts.Format(IDS_DIAL_ERROR, static_cast<int>(error),
                                                                         static_cast<unsigned>(error), "")
                                                   : reason;
            m_view.tray.SetTray(TrayState::Error, tip);
            // Brought back so that the message box is seen even from the tray.
            m_view.window.PlaceTopLeft(ZOrder::NotTopMost);
            m_view.window.Show(ShowCommand::Restore);
            m_view.window.ShowMessageBox(message, message_box::kOk);
            return;
        }
        message += StatusText(IDS_WILL_REDIAL);
        AppendStatus(message);
        StartRetryTimer();
        return;
    }
    switch (state) {
        case rascs::kOpenPort: case rascs::kPortOpened: case rascs::kConnectDevice: case rascs::kAllDevicesConnected:
        case rascs::kAuthNotify: case rascs::kAuthProject: case rascs::kAuthenticated: case rascs::kConnected:
            break;
        case rascs::kDeviceConnected: AppendStatus(StatusText(IDS_AUTHENTICATING)); break;
        case rascs::kAuthenticate: AppendStatus(StatusText(IDS_LOGGING_ON)); break;
        case rascs::kProjected: CompleteProjection(); break;
        default: log.LogMessage(log_level::kMain, "rascs = %d\n", static_cast<int>(state)); break;
    }
}

// IP projection is done: with SecurID New PIN mode the server may hold a prompt-and-answer
// dialogue through the tunnel first, and a failed one takes the connection down for good.
void DialConnection::CompleteProjection() {
    if (m_settings.securIdNewPinMode) {
        const std::uint32_t address = SetRoutesForProjection();
        const int challenge = m_securId.RunSecurIdChallenge({m_process.g_hdl, address, m_settings.setupIp});
        // The window ended while the SecurID dialog was open: the end has done its work (and a session
        // that closed keeps its connection), so the challenge's outcome changes nothing more.
        if (m_process.g_bExiting) return;
        if (challenge < 0) {
            m_process.platform.remoteAccess.HangUp(m_process.g_hdl);
            m_bUserHangUp = true;  // no redial after a refused PIN
            DisconnWrapper();
            m_process.g_hdl = RasConnectionHandle{};
            ReplaceStatus(StatusText(IDS_SECURID_FAILED) + StatusText(IDS_NOT_CONNECTED));
        } else {
            ClearSubnetRoute(m_settings, m_towardsServer, Ipv4::FromNetworkOrderValue(address));
            OnConnected(false);
        }
    } else {
        OnConnected(true);
    }
    MaskPassword();
}

void DialConnection::OnConnected(bool withRoutes) {
    std::string message = "CONNECTED\r\n";
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) {
        AppendStatus(StatusText(IDS_CONNECTED_EXTERNALLY));
    } else {
        m_process.log.LogMessage(log_level::kMain, "Connected, LIP=%s, ServIP=%s\n", client.c_str(), server.c_str());
        message += m_view.texts.Format(IDS_LOCAL_IP, client.c_str());
        message += m_view.texts.Format(IDS_SERVER_IP, server.c_str());
        if (withRoutes) {
            m_process.log.LogMessage(log_level::kMain, "setroutes to %s\n", client.c_str());
            SetRoutes(m_settings, m_towardsServer, client);
        }
        AppendStatus(message);
        if (m_settings.HideAfterConnect()) HideDialer(m_view.window, m_process.platform.system, m_process.log);
    }
    m_view.tray.SetTray(TrayState::Connected, server.empty() ? m_settings.setupIp : server);
    m_view.window.SetTimer(TIMER_STATUS_POLL, 2000);
    m_process.g_uStatusTimer = true;
}

std::uint32_t DialConnection::SetRoutesForProjection() {
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) return 0;
    m_process.log.LogMessage(log_level::kMain, "setroutes to %s\n", client.c_str());
    SetRoutes(m_settings, m_towardsServer, client);
    const auto address = Ipv4::Parse(client);
    return address ? address->NetworkOrderValue() : 0xFFFFFFFFu;
}

void DialConnection::StatusPollTimerProc() {
    if (m_process.g_bExiting) return;
    Log& log = m_process.log;
    if (m_process.g_hdl) {
        std::uint32_t state = 0;
        Win32Error error = 0;
        if (m_process.platform.remoteAccess.GetConnectStatus(m_process.g_hdl, state, error) == err::kSuccess) {
            if (state == rascs::kConnected) return;  // the link is up
            log.LogMessage(log_level::kVerbose, "RasGetConnectStatus = %d\n", static_cast<int>(state));
        }
    } else {
        log.LogMessage(log_level::kVerbose, "No g_hdl\n");
    }
    // The link is lost.
    DisconnWrapper();
    m_view.window.KillTimer(TIMER_STATUS_POLL);
    if (!m_bUserHangUp) {
        AppendStatus(StatusText(IDS_REDIALING));
        m_view.tray.SetTray(TrayState::Redialling);
        m_process.platform.clock.Sleep(kLostLinkPauseMs);
        Reconnect();
    }
    m_process.g_uStatusTimer = false;
}

}  // namespace zelta
