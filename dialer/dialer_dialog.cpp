// DialerDialog: initialisation, the status pane, hiding and showing, the tray, the options, the end.
#include "dialer/dialer_dialog.h"

#include "common/ipsec_policy.h"
#include "common/ipsec_store_cleanup.h"
#include "dialer/about_dialog.h"
#include "dialer/netinfo/network_info.h"
#include "dialer/resource.h"
#include "dialer/service_pipe.h"
#include "platform/text.h"

namespace zelta {
namespace {

constexpr std::size_t kStatusPaneLimit = 8192;  // characters; more and the next append starts afresh
constexpr std::uint32_t kRasDialEventFallback = 0xCCCD;

}  // namespace

DialerDialog::DialerDialog(DialerProcess& process)
    : m_process(process),
      m_settings(process.platform, process.log),
      m_trayIcon(IDI_TRAY_IDLE),
      m_uRasDialEventMsg(process.platform.dialogs.RegisterMessage("RasDialEvent")),
      m_uTaskbarCreatedMsg(process.platform.dialogs.RegisterMessage("TaskbarCreated")) {
    if (m_uRasDialEventMsg == 0) m_uRasDialEventMsg = kRasDialEventFallback;
}

const std::string& DialerDialog::StatusText(int id) const {
    static const std::string kNone;
    const int index = id - IDS_REDIALING;
    return index >= 0 && index < static_cast<int>(m_strStatus.size()) ? m_strStatus[static_cast<std::size_t>(index)]
                                                                       : kNone;
}

void DialerDialog::OnInitDialog(Window& window) {
    m_window = &window;
    Platform& os = m_process.platform;
    Log& log = m_process.log;

    m_settings.Load();
    m_settings.SetRunning(true);
    m_settings.SetDisabled(false);
    log.LogMessage(log_level::kMain, "***** Program Started *****\n");
    CleanLocalIpsecPolicies(m_settings);

    for (int id = IDS_REDIALING; id <= IDS_BALLOON_GAVE_UP; ++id) m_strStatus.push_back(os.resources.String(id));
    os.instance.SetSharedWindow(window.Handle());

    // The program carries on without a notification area (a log-on desktop, a missing Explorer).
    m_trayAdded = window.AddTrayIcon(m_trayIcon, WM_TRAYNOTIFY);
    ApplyTray();
    // Explorer runs below the system account's integrity level: only its two messages come in.
    const std::uint32_t fromExplorer[] = {WM_TRAYNOTIFY, m_uTaskbarCreatedMsg};
    if (!window.AllowFromLowerIntegrity(fromExplorer))
        log.LogMessage(log_level::kMain, "The tray's messages cannot be let in past the integrity check\n");

    const std::string title = window.Title();
    log.DebugTrace("%s", title.c_str());
    if (!m_settings.dialerName.empty())
        window.SetTitle(title + " - " + m_settings.dialerName + (m_settings.debugMask ? " (DEBUG)" : ""));

    m_process.g_strNotice = m_settings.noticeText;

    if (FindExistingConnection()) {
        LoadSavedCredentials();
        AppendStatus(StatusText(IDS_ALREADY_CONNECTED));
        OnConnected(true);
        window.EnableControl(IDC_CONNECT, false);
        window.EnableControl(IDC_HANGUP, true);
        m_bKeepHidden = true;
    } else {
        AppendStatus(StatusText(IDS_NOT_CONNECTED));
        window.EnableControl(IDC_HANGUP, false);
    }

    if (m_settings.cacheSecurId) {
        window.SetChecked(IDC_SAVE_PASSWORD, true);
        window.ShowControl(IDC_SAVE_PASSWORD, false);
    }
    if (m_settings.LaunchAtBoot()) window.SetChecked(IDC_LAUNCH_AT_BOOT, true);
    if (m_settings.ConnectAtLaunch()) {
        window.SetChecked(IDC_CONNECT_AT_LAUNCH, true);
        window.SetChecked(IDC_SAVE_PASSWORD, true);
    }
    if (m_settings.WaitForWireless()) window.SetChecked(IDC_WAIT_FOR_WIRELESS, true);
    if (m_settings.HideAfterConnect()) window.SetChecked(IDC_HIDE_AFTER_CONNECT, true);

    const std::string about = os.resources.String(IDS_ABOUTBOX);
    if (!about.empty()) window.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    window.SetIcon(IDI_APPLICATION_ICON);

    if (LoadSavedCredentials() == 1 && m_settings.ConnectAtLaunch()) {
        m_bUserHangUp = false;
        DoConnect();
        HideDialer(window.Handle());
        m_bKeepHidden = true;
    }

    if (IsWinlogonDesktop()) {
        log.LogMessage(log_level::kMain, "Windows is logon, setting wndBottom\n");
        window.PlaceTopLeft(ZOrder::Bottom);
    } else {
        window.PlaceTopLeft(ZOrder::NotTopMost);
    }
    if (m_settings.wiredNoWifi) window.SetTimer(TIMER_INTERFACE_WATCH, 5000);
    if (m_bKeepHidden) HideDialer(window.Handle());
    window.SetTimer(TIMER_DESKTOP_CHECK, 5000);
}

void DialerDialog::AppendStatus(std::string_view text) {
    std::string pane = m_window->ControlText(IDC_STATUS);
    if (CharacterCount(pane) > kStatusPaneLimit) pane.clear();
    pane += text;
    m_window->SetControlText(IDC_STATUS, pane);
    m_window->ScrollToEnd(IDC_STATUS);
}

bool DialerDialog::IsWinlogonDesktop() {
    std::string desktop;
    return m_process.platform.system.ThreadDesktopName(desktop) == err::kSuccess && EqualsNoCase(desktop, "winlogon");
}

// The window goes to the bottom at the top left; on the log-on desktop, which has no notification
// area to come back from, it is minimized instead of hidden.
void DialerDialog::HideDialer(WindowHandle) {
    m_window->PlaceTopLeft(ZOrder::Bottom);
    if (IsWinlogonDesktop()) {
        m_window->Show(ShowCommand::Minimize);
    } else {
        m_process.log.LogMessage(log_level::kVerbose, "Hiding window\n");
        m_window->Show(ShowCommand::Hide);
    }
}

void DialerDialog::OnWindowPosChanging(bool& show) {
    if (m_bKeepHidden) show = false;
}

void DialerDialog::OnLaunchVpn() {
    m_bKeepHidden = false;
    m_window->PlaceTopLeft(ZOrder::NotTopMost);
    m_window->Show(ShowCommand::Restore);
    m_window->ScrollToEnd(IDC_STATUS);
}

void DialerDialog::OnTrayExit() {
    m_settings.SetDisabled(true);
    HideDialer(m_window->Handle());
    m_window->Destroy();
}

void DialerDialog::OnTrayNotify(std::uint32_t mouseMessage) {
    if (mouseMessage == tray_mouse::kLeftDoubleClick) {
        if (const int command = m_window->FirstMenuCommand(IDR_TRAY_MENU)) m_window->SendCommand(command);
    } else if (mouseMessage == tray_mouse::kRightButtonUp) {
        m_window->TrackTrayMenu(IDR_TRAY_MENU);
    }
}

void DialerDialog::OnLaunchAtBoot() { m_settings.SetLaunchAtBoot(!m_settings.LaunchAtBoot()); }

void DialerDialog::OnConnectAtLaunch() {
    // Connecting at launch needs the password saved.
    if (!m_settings.ConnectAtLaunch()) m_window->SetChecked(IDC_SAVE_PASSWORD, true);
    m_settings.SetConnectAtLaunch(!m_settings.ConnectAtLaunch());
}

void DialerDialog::OnWaitForWireless() { m_settings.SetWaitForWireless(!m_settings.WaitForWireless()); }

void DialerDialog::OnHideAfterConnect() { m_settings.SetHideAfterConnect(!m_settings.HideAfterConnect()); }

bool DialerDialog::OnCommand(int id) {
    switch (id) {
        case IDC_CONNECT: OnConnect(); return true;
        case IDC_HANGUP: OnHangUp(); return true;
        case IDC_NETWORK_INFO: OnNetworkInfo(); return true;
        case IDC_LAUNCH_AT_BOOT: OnLaunchAtBoot(); return true;
        case IDC_CONNECT_AT_LAUNCH: OnConnectAtLaunch(); return true;
        case IDC_WAIT_FOR_WIRELESS: OnWaitForWireless(); return true;
        case IDC_HIDE_AFTER_CONNECT: OnHideAfterConnect(); return true;
        case IDM_LAUNCH_VPN: OnLaunchVpn(); return true;
        case IDM_TRAY_EXIT: OnTrayExit(); return true;
        default: return false;
    }
}

void DialerDialog::OnNetworkInfo() {
    // While connected, the connection's own block joins the report.
    std::optional<RasConnectionHandle> connection;
    std::uint32_t state = 0;
    Win32Error error = 0;
    if (m_process.g_hdl &&
        m_process.platform.remoteAccess.GetConnectStatus(m_process.g_hdl, state, error) == err::kSuccess &&
        state == rascs::kConnected && error == 0)
        connection = m_process.g_hdl;
    if (const auto report = NetworkInfoReport(m_process.platform, m_process.log, connection))
        m_window->ShowMessageBox(*report, message_box::kOk);
}

bool DialerDialog::OnSysCommand(std::uint32_t id) {
    if (id != IDM_ABOUTBOX) return false;
    AboutDialog about(m_process);
    m_window->RunModal(IDD_ABOUTBOX, about);
    return true;
}

bool DialerDialog::OnClose() {
    HideDialer(m_window->Handle());
    return true;
}

bool DialerDialog::OnEndSession(bool ending, bool logoff) {
    if (!ending) return true;
    if (logoff) {
        m_process.log.LogMessage(log_level::kMain, "***** System logging off *****\n");
        m_settings.SetDisabled(false);
    } else {
        m_process.log.LogMessage(log_level::kMain, "***** System shutting down ****\n");
        m_settings.SetDisabled(true);
    }
    m_window->Destroy();
    return false;
}

namespace {

// A status text as one line, for a tip or a balloon.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') line += ' ';
            continue;
        }
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

std::string DialerDialog::TrayTip() const {
    switch (m_trayState) {
        case TrayState::Disconnected: return StatusText(IDS_TIP_DISCONNECTED);
        case TrayState::Looking: return StatusText(IDS_TIP_LOOKING);
        case TrayState::Connecting: return StatusText(IDS_TIP_CONNECTING);
        case TrayState::Connected: return Format(IDS_TIP_CONNECTED, m_trayDetail.c_str());
        case TrayState::Redialling: return StatusText(IDS_TIP_REDIALLING);
        case TrayState::Error: return Format(IDS_TIP_ERROR, m_trayDetail.c_str());
    }
    return {};
}

void DialerDialog::ApplyTray() {
    if (m_trayAdded) m_window->SetTrayTip(TrayTip());
}

void DialerDialog::SetTray(TrayState state, std::string_view detail) {
    const bool changed = state != m_trayState;
    const std::string line = OneLine(detail);
    if (!changed && line == m_trayDetail) return;
    m_trayState = state;
    m_trayDetail = line;
    const int shown = m_trayIcon;
    switch (state) {
        case TrayState::Connected: m_trayIcon = IDI_TRAY_CONNECTED; break;
        case TrayState::Connecting: case TrayState::Redialling: m_trayIcon = IDI_TRAY_CONNECTING; break;
        case TrayState::Error: m_trayIcon = IDI_TRAY_ERROR; break;
        case TrayState::Disconnected: case TrayState::Looking: m_trayIcon = IDI_TRAY_IDLE; break;
    }
    if (m_trayAdded && m_trayIcon != shown) m_window->ModifyTrayIcon(m_trayIcon);
    ApplyTray();
    if (!changed || !m_trayAdded || m_settings.balloons == 0) return;
    std::string note;
    if (state == TrayState::Connected) note = Format(IDS_BALLOON_CONNECTED, m_trayDetail.c_str());
    if (state == TrayState::Redialling) note = StatusText(IDS_BALLOON_REDIALLING);
    if (state == TrayState::Error) note = Format(IDS_BALLOON_GAVE_UP, m_trayDetail.c_str());
    if (!note.empty()) m_window->ShowTrayBalloon(StatusText(IDS_PRODUCT_NAME), note);
}

bool DialerDialog::OnRegisteredMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == m_uRasDialEventMsg) {
        // Any program can post this message: only a dial of our own has events to act on.
        if (!m_process.dialUnderWay) {
            m_process.log.LogMessage(log_level::kVerbose, "RasDialEvent %u dropped: no dial is under way\n",
                                     static_cast<unsigned>(wParam));
            return true;
        }
        if (wParam == rascs::kConnected && lParam == 0) m_process.dialUnderWay = false;
        OnRasDialEvent(static_cast<std::uint32_t>(wParam), static_cast<Win32Error>(lParam));
        return true;
    }
    if (message == m_uTaskbarCreatedMsg) {
        // Explorer restarted: its notification area forgot our icon, and its tip.
        m_trayAdded = m_window->AddTrayIcon(m_trayIcon, WM_TRAYNOTIFY);
        ApplyTray();
        return true;
    }
    return false;
}

bool DialerDialog::OnPaint() {
    if (m_window->IsMinimized()) {
        m_window->PaintMinimizedIcon(IDI_APPLICATION_ICON);
        return true;
    }
    if (m_bannerPending) {
        m_bannerPending = false;
        const std::string path = m_settings.installDir + "\\banner.jpg";
        std::uint64_t size = 0;
        if (m_process.platform.files.SizeOf(path, size) == err::kSuccess && size > 0) {
            m_banner = std::make_unique<BannerPicture>();
            if (m_banner->Load(m_process.platform, *m_window, path)) {
                m_process.log.DebugTrace("Loaded new banner.");
                m_process.log.LogMessage(log_level::kMain, "Loaded new banner.\n");
            } else {
                m_process.log.DebugTrace("Could not load banner, using default.");
                m_process.log.LogMessage(log_level::kMain, "Could not load banner, using default.\n");
                m_banner.reset();
            }
        }
    }
    m_window->DefaultPaint();
    if (m_banner) m_banner->Render(*m_window, IDC_BANNER);
    return true;
}

void DialerDialog::OnDestroy() {
    m_process.log.LogMessage(log_level::kVerbose, "***** Program Exited *****\n");
    m_process.g_bExiting = true;
    if (!m_process.g_bSessionClosing) {
        if (m_process.g_hdl) DisconnWrapper();
        RemoveIpsecPolicy(m_settings);
        NotifyServiceDisconnect(m_process.platform, m_process.log);
    }
    m_window->DeleteTrayIcon();
    m_process.platform.clock.Sleep(0);
    m_watch.RestoreAllWithdrawnRoutes();
    m_settings.SetRunning(false);
    if (m_banner) {
        m_banner->Release();
        m_banner.reset();
    }
}

}  // namespace zelta
