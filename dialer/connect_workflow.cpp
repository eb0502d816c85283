// The connect and disconnect workflow: Connect, the retry, HangUp, the hang-up wait, finding a
// connection someone else made, and the saved credentials.
#include <cstdio>

#include "common/ipsec_policy.h"
#include "common/shared_names.h"
#include "dialer/dial_connection.h"
#include "dialer/phonebook_entry.h"
#include "dialer/resource.h"
#include "dialer/service_pipe.h"
#include "routing/switch_discovery.h"

namespace zelta {
namespace {

constexpr std::size_t kBoxCapacity = 256;        // bytes read from the user-name and password boxes
constexpr std::size_t kConnectionCapacity = 16;  // connections enumerated
constexpr int kHangUpPolls = 100;
constexpr Win32Error kInvalidHandle = 6;

// The record forms of successive Windows versions, tried in this order.
constexpr RasConnForm kConnForms[] = {RasConnForm::Nt351, RasConnForm::Nt4, RasConnForm::Windows2000,
                                      RasConnForm::XpNoFlags, RasConnForm::WindowsXp};

// What a 256-byte GetDlgItemText leaves of a box: at most 255 bytes, never half a character.
std::string BoxText(std::string text) {
    if (text.size() >= kBoxCapacity) {
        std::size_t cut = kBoxCapacity - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        SecureZero(text.data() + cut, text.size() - cut);
        text.resize(cut);
    }
    return text;
}

}  // namespace

DialConnection::DialConnection(DialerProcess& process, DialerSettings& settings, const WirelessRouteWatch& watch,
                               ConnectionView view)
    : m_process(process), m_settings(settings), m_watch(watch), m_view(view),
      m_securId(process.log, process.platform.sockets, process.platform.clock, process.platform.remoteAccess,
                process.platform.dialogs) {}

void DialConnection::EnableConnect(bool connect) {
    m_view.window.EnableControl(IDC_CONNECT, connect);
    m_view.window.EnableControl(IDC_HANGUP, !connect);
}

void DialConnection::StartRetryTimer() {
    m_view.window.SetTimer(TIMER_RETRY, 5000);
    m_process.g_uRetryTimer = true;
    EnableConnect(false);
}

void DialConnection::StopConnect(const std::string& why) {
    AppendStatus(why);
    m_view.tray.SetTray(TrayState::Error, why);
    EnableConnect(true);
}

void DialConnection::OnConnect() {
    m_process.log.LogMessage(log_level::kMain, "User hit CONNECT\n");
    m_bUserHangUp = false;
    DoConnect();
}

void DialConnection::Reconnect() {
    m_bUserHangUp = false;
    DoConnect();
}

void DialConnection::DoConnect() {
    if (!OnTheWayToTheSwitch()) return;
    m_process.log.LogMessage(log_level::kDevices, m_settings.l2tp ? "Setting ipsec entry l2tp" : "Setting pptp entry");
    if (FindExistingConnection()) {
        AppendStatus(StatusText(IDS_ALREADY_CONNECTED));
        OnConnected(true);
        EnableConnect(false);
        return;
    }
    RasDialParams params;
    const bool haveCredentials = ReadDialParams(params);
    if (!PrepareIpsecAndEntry()) return;
    StoreDialParams(params, haveCredentials);
    if (!HandTheKey()) return;
    StartDial(params);
}

bool DialConnection::OnTheWayToTheSwitch() {
    const SwitchFinding found = FindSwitchInterface(m_settings);
    if (found.towardsServer) m_towardsServer = *found.towardsServer;
    const SwitchPath path = found.path;
    int retryText = 0;
    if (path == NoRoute) retryText = IDS_NO_ROUTE;
    if (path == NotWireless) retryText = IDS_NOT_WIRELESS;
    if (path == SwitchNotFound) retryText = IDS_NO_SWITCH;
    if (path == Ready && m_settings.WaitForWireless() && m_watch.wiredPresent()) retryText = IDS_WIRED;
    if (retryText == 0) return true;
    AppendStatus(StatusText(retryText));
    m_view.tray.SetTray(TrayState::Looking);
    StartRetryTimer();
    return false;
}

bool DialConnection::ReadDialParams(RasDialParams& params) {
    Log& log = m_process.log;
    params.szEntryName = std::string(kEntryName);
    bool passwordSaved = false;
    const Win32Error read = m_process.platform.remoteAccess.GetEntryDialParams("", kEntryName, params, passwordSaved);
    if (read != err::kSuccess) {
        log.DebugTrace("RasGetEntryDialParams failed %d\r\n", static_cast<int>(read));
    } else {
        log.DebugTrace("RasGetEntryDialParams succeeded\r\n");
    }
    params.szEntryName = std::string(kEntryName);

    const std::string user = BoxText(m_view.window.ControlText(IDC_USER_NAME));
    if (user.empty()) return false;
    if (user != params.szUserName) params.szUserName = user;
    SecretBuffer password(kBoxCapacity - 1);
    m_view.window.ControlSecret(IDC_PASSWORD, kBoxCapacity, password);
    if (password.Empty()) return false;
    if (password.View() == PASSWORD_MASK) {
        params.szPassword = m_szPassword.Clone();  // the box stands for the known password
    } else {
        m_szPassword.Clear();  // a new password: the one behind the mask is no longer needed
        if (password.View() != params.szPassword.View()) params.szPassword.Assign(password.View());
    }
    return true;
}

bool DialConnection::PrepareIpsecAndEntry() {
    Log& log = m_process.log;
    AppendStatus(StatusText(IDS_STARTING_IPSEC));
    const int prepared = StartIpsecViaService(m_settings);
    if (prepared == kServerAddressUnusable) {
        StopConnect(m_view.texts.Format(IDS_SERVER_ADDRESS_UNUSABLE, LogSafe(m_settings.setupIp).c_str()));
        return false;
    }
    if (prepared < 0) {
        log.LogMessage(log_level::kMain, "Unable to start IPSEC service!!!\n");
        AppendStatus(StatusText(IDS_IPSEC_FAILED));
        m_view.tray.SetTray(TrayState::Error, StatusText(IDS_IPSEC_FAILED));
        EnableConnect(false);
        return false;
    }
    ApplyIpsecPolicy(m_settings);
    if (!ProvisionPhonebookEntry(m_settings)) {
        log.LogMessage(log_level::kMain,
                       "FATAL ERROR:  Unable to set dialup entry.  If problem persists, please try rebooting and "
                       "reinstalling.\n");
        AppendStatus(StatusText(IDS_ENTRY_FAILED));
        m_view.tray.SetTray(TrayState::Error, StatusText(IDS_ENTRY_FAILED));
        return false;
    }
    log.LogMessage(log_level::kVerbose, "Started IPSEC POL and dial entry\n");
    return true;
}

void DialConnection::StoreDialParams(const RasDialParams& params, bool haveCredentials) {
    RemoteAccess& ras = m_process.platform.remoteAccess;
    if (m_view.window.IsChecked(IDC_SAVE_PASSWORD)) {
        if (haveCredentials) ras.SetEntryDialParams("", params, false);
    } else {
        ras.SetEntryDialParams("", params, true);
    }
    m_process.log.LogMessage(log_level::kVerbose, "Set entry dial params\n");
}

bool DialConnection::HandTheKey() {
    const Win32Error keyed = HandPresharedKey(m_settings);
    if (keyed == err::kSuccess) return true;
    // Windows would negotiate with no key, or an old one: the dial could only fail, and later.
    m_process.log.LogMessage(log_level::kMain, "RasSetCredentials for the IPsec pre-shared key returned error %d\n",
                             static_cast<int>(keyed));
    StopConnect(m_view.texts.Format(IDS_PRESHARED_KEY_FAILED, static_cast<int>(keyed)));
    return false;
}

void DialConnection::StartDial(const RasDialParams& params) {
    Log& log = m_process.log;
    m_process.dialUnderWay = true;  // its events may come as soon as RasDial has them
    const Win32Error rc = m_process.platform.remoteAccess.Dial(params, true, m_view.window.Handle(), m_process.g_hdl);
    log.LogMessage(log_level::kMain, "RasDial connecting to VPN server\n");
    if (rc != err::kSuccess) {
        m_process.dialUnderWay = false;
        AppendStatus(m_view.texts.Format(IDS_RASDIAL_RETURNED, static_cast<int>(rc)));
        if (m_process.g_hdl && !m_process.g_bSessionClosing) {
            log.LogMessage(log_level::kMain, "Hanging up.\n");
            HangUpAndWait(m_process.g_hdl);
        }
        EnableConnect(true);
        return;
    }
    AppendStatus(StatusText(IDS_CONNECTING));
    m_view.tray.SetTray(TrayState::Connecting);
    EnableConnect(false);
    if (m_settings.securIdNewPinMode) m_securId.OpenSecurIdListener();
}

void DialConnection::RetryTimerProc() {
    if (m_process.g_bExiting) return;
    m_view.window.KillTimer(TIMER_RETRY);
    m_process.g_uRetryTimer = false;
    if (!m_bUserHangUp && !m_process.g_hdl) Reconnect();
}

void DialConnection::OnHangUp() {
    m_process.log.LogMessage(log_level::kMain, "User hit DISCONNECT\n");
    m_bUserHangUp = true;
    DisconnWrapper();
    RemoveIpsecPolicy(m_settings);
    if (m_settings.extranetAccessPresent) NotifyServiceDisconnect(m_process.platform.pipes, m_process.log);
}

void DialConnection::DisconnWrapper() {
    m_process.log.LogMessage(log_level::kMain, "DisconnWrapper.\n");
    DoDisconnect();
    if (m_process.g_uStatusTimer) {
        m_view.window.KillTimer(TIMER_STATUS_POLL);
        m_process.g_uStatusTimer = false;
    }
    if (m_process.g_uRetryTimer) {
        m_view.window.KillTimer(TIMER_RETRY);
        m_process.g_uRetryTimer = false;
    }
}

void DialConnection::DoDisconnect() {
    if (m_process.g_hdl) {
        ReplaceStatus("Disconnecting...\r\n  may take up to 10 seconds...");
        m_view.window.EnableControl(IDC_CONNECT, false);
        m_view.window.EnableControl(IDC_HANGUP, false);
        m_process.log.LogMessage(log_level::kMain, "Hanging up in DoDisconnect.\n");
        HangUpAndWait(m_process.g_hdl);
    }
    m_view.tray.SetTray(TrayState::Disconnected);
    ReplaceStatus("Not Connected.\r\n\r\n");
    EnableConnect(true);
}

void DialConnection::HangUpAndWait(RasConnectionHandle& connection) {
    RemoteAccess& ras = m_process.platform.remoteAccess;
    ras.HangUp(connection);
    // The remote-access manager lets a connection go a little after RasHangUp returns.
    for (int poll = 0; poll < kHangUpPolls; ++poll) {
        std::uint32_t state = 0;
        Win32Error error = 0;
        if (ras.GetConnectStatus(connection, state, error) == kInvalidHandle) {
            m_process.log.LogMessage(log_level::kMain, "RasHangup done\n");
            break;
        }
        m_process.platform.clock.Sleep(0);
    }
    connection = RasConnectionHandle{};
    m_process.dialUnderWay = false;
}

int DialConnection::FindExistingConnection() {
    Log& log = m_process.log;
    std::vector<RasConnection> connections;
    Win32Error rc = ras_error::kInvalidSize;
    for (const RasConnForm form : kConnForms) {
        rc = m_process.platform.remoteAccess.EnumConnections(form, kConnectionCapacity, connections);
        if (rc != ras_error::kInvalidSize) break;
    }
    if (rc == ras_error::kInvalidSize) {
        log.LogMessage(log_level::kMain, "RasEnumConnections failed sizes err=%d\n", static_cast<int>(rc));
        return 0;
    }
    if (rc != err::kSuccess) {
        log.LogMessage(log_level::kMain, "RasEnumConnections failed %d\n", static_cast<int>(rc));
        return 0;
    }
    for (std::size_t i = 0; i < connections.size(); ++i) {
        log.LogMessage(log_level::kVerbose, "Found ras %d %s\n", static_cast<int>(i), LogSafe(connections[i].szEntryName).c_str());
        if (connections[i].szEntryName == kEntryName) {
            log.LogMessage(log_level::kVerbose, "Found Zelta VPN\n");
            m_process.g_hdl = connections[i].hrasconn;
            return 1;
        }
    }
    return 0;
}

int DialConnection::LoadSavedCredentials() {
    RasDialParams params;
    bool passwordSaved = false;
    int result = 0;
    if (m_process.platform.remoteAccess.GetEntryDialParams("", kEntryName, params, passwordSaved) == err::kSuccess) {
        m_view.window.SetControlText(IDC_USER_NAME, BoxText(params.szUserName));
        if (passwordSaved) {
            // The box shows the mask: a control's text is within reach of other programs' messages.
            m_szPassword.Assign(params.szPassword.View().substr(0, kBoxCapacity - 1));
            if (!m_szPassword.Empty()) m_view.window.SetControlText(IDC_PASSWORD, PASSWORD_MASK);
            m_bSavedPassword = true;
            result = 1;
        }
    }
    if (m_bSavedPassword) m_view.window.SetChecked(IDC_SAVE_PASSWORD, true);
    return result;
}

void DialConnection::MaskPassword() {
    SecretBuffer box(kBoxCapacity - 1);
    m_view.window.ControlSecret(IDC_PASSWORD, kBoxCapacity, box);
    if (!box.Empty() && box.View() != PASSWORD_MASK) {
        m_szPassword.Assign(box.View());
        m_view.window.WipeControlText(IDC_PASSWORD);  // from now on the mask's copy is the only one
        m_view.window.SetControlText(IDC_PASSWORD, PASSWORD_MASK);
    }
}

}  // namespace zelta
