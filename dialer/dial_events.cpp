// Dial progress and the watch on the connection: the "RasDialEvent" routine, the completed
// connection, the status poll and redial, the desktop check, and the tunnel's default route.
#include "dialer/dialer_dialog.h"
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

void DialerDialog::OnTimer(std::uint32_t id) {
    switch (id) {
        case TIMER_STATUS_POLL: StatusPollTimerProc(); break;
        case TIMER_RETRY: RetryTimerProc(); break;
        case TIMER_INTERFACE_WATCH: m_watch.InterfaceWatch(); break;
        case TIMER_DESKTOP_CHECK: DesktopCheckTimerProc(); break;
        default: break;
    }
}

void DialerDialog::OnRasDialEvent(std::uint32_t state, Win32Error error) {
    if (m_process.g_bSessionClosing) return;
    Log& log = m_process.log;
    if (error != 0) {
        std::string reason;
        m_process.platform.remoteAccess.ErrorString(error, reason);
        std::string message = Format(IDS_DIAL_ERROR, static_cast<int>(error), static_cast<unsigned>(error), reason.c_str());
        log.DebugTrace("%s", message.c_str());
        log.LogMessage(log_level::kMain, "Hung up, reason=%s\n", message.c_str());
        HangUpAndWait(m_process.g_hdl);
        if (m_bUserHangUp) return;  // the user hung up meanwhile: nothing to show, nothing to redial
        if (IsFatalRasError(error)) {
            message += StatusText(IDS_TRY_AGAIN);
            if (error == 741 || error == 743) message += StatusText(IDS_TRY_REBOOTING);
            m_window->EnableControl(IDC_CONNECT, true);
            m_window->EnableControl(IDC_HANGUP, false);
            AppendStatus(message);
            SetTray(TrayState::Error, reason.empty() ? Format(IDS_DIAL_ERROR, static_cast<int>(error),
                                                              static_cast<unsigned>(error), "")
                                                     : reason);
            // Brought back so that the message box is seen even from the tray.
            m_window->PlaceTopLeft(ZOrder::NotTopMost);
            m_window->Show(ShowCommand::Restore);
            m_window->ShowMessageBox(message, message_box::kOk);
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
void DialerDialog::CompleteProjection() {
    if (m_settings.securIdNewPinMode) {
        const std::uint32_t address = SetRoutesForProjection();
        const int challenge = RunSecurIdChallenge(address);
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
            ClearSubnetRoute(m_settings, Ipv4::FromNetworkOrderValue(address));
            OnConnected(false);
        }
    } else {
        OnConnected(true);
    }
    MaskPassword();
}

void DialerDialog::OnConnected(bool withRoutes) {
    std::string message = "CONNECTED\r\n";
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) {
        AppendStatus(StatusText(IDS_CONNECTED_EXTERNALLY));
    } else {
        m_process.log.LogMessage(log_level::kMain, "Connected, LIP=%s, ServIP=%s\n", client.c_str(), server.c_str());
        message += Format(IDS_LOCAL_IP, client.c_str());
        message += Format(IDS_SERVER_IP, server.c_str());
        if (withRoutes) {
            m_process.log.LogMessage(log_level::kMain, "setroutes to %s\n", client.c_str());
            SetRoutes(m_settings, client);
        }
        AppendStatus(message);
        if (m_settings.HideAfterConnect()) HideDialer(m_window->Handle());
    }
    SetTray(TrayState::Connected, server.empty() ? m_settings.setupIp : server);
    m_window->SetTimer(TIMER_STATUS_POLL, 2000);
    m_process.g_uStatusTimer = true;
}

std::uint32_t DialerDialog::SetRoutesForProjection() {
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) return 0;
    m_process.log.LogMessage(log_level::kMain, "setroutes to %s\n", client.c_str());
    SetRoutes(m_settings, client);
    const auto address = Ipv4::Parse(client);
    return address ? address->NetworkOrderValue() : 0xFFFFFFFFu;
}

void DialerDialog::StatusPollTimerProc() {
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
    m_window->KillTimer(TIMER_STATUS_POLL);
    if (!m_bUserHangUp) {
        AppendStatus(StatusText(IDS_REDIALING));
        SetTray(TrayState::Redialling);
        m_process.platform.clock.Sleep(kLostLinkPauseMs);
        Reconnect();
    }
    m_process.g_uStatusTimer = false;
}

// A dialer left on the log-on desktop gives way when a user's session takes the screen; the
// connection stays up for that session.
void DialerDialog::DesktopCheckTimerProc() {
    if (m_process.g_bExiting) return;
    SystemInfo& system = m_process.platform.system;
    std::string thread, input;
    if (system.InputDesktopName(input) != err::kSuccess) return;
    if (system.ThreadDesktopName(thread) != err::kSuccess) thread.clear();
    if (thread == input || !EqualsNoCase(thread, "winlogon")) return;
    m_process.log.LogMessage(log_level::kMain, "Desktops differ...closing session, %s %s\n", thread.c_str(), input.c_str());
    m_process.g_bSessionClosing = true;
    m_window->Destroy();
}

void DialerDialog::DeleteTunnelDefaultRoute() {
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) return;
    m_process.log.LogMessage(log_level::kMain, "Delete default route to %s\n", client.c_str());
    DeleteDefaultRoute(m_settings, client);
}

void DialerDialog::AddTunnelDefaultRoute() {
    std::string client, server;
    if (m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) != err::kSuccess) return;
    m_process.log.LogMessage(log_level::kMain, "Add default route to %s\n", client.c_str());
    AddDefaultRoute(m_settings, client);
}

}  // namespace zelta
