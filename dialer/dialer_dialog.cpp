// DialerDialog: initialisation, hiding and showing, the tray's menu, the options, the banner, the
// messages and timers handed on, the desktop check, the end.
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

constexpr std::uint32_t kRasDialEventFallback = 0xCCCD;

}  // namespace

DialerDialog::DialerDialog(DialerProcess& process)
    : m_process(process),
      m_settings(process.platform, process.log),
      m_uRasDialEventMsg(process.platform.dialogs.RegisterMessage("RasDialEvent")),
      m_uTaskbarCreatedMsg(process.platform.dialogs.RegisterMessage("TaskbarCreated")) {
    if (m_uRasDialEventMsg == 0) m_uRasDialEventMsg = kRasDialEventFallback;
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

    m_texts.Load(os.resources);
    os.instance.SetSharedWindow(window.Handle());

    m_pane.emplace(window);
    m_tray.emplace(window, m_texts, m_settings.balloons != 0);
    m_connection.emplace(m_process, m_settings, m_watch, ConnectionView{window, *m_pane, *m_tray, m_texts});
    DialConnection& connection = *m_connection;
    m_tray->Add();
    // Explorer runs below the system account's integrity level: only its two messages come in.
    const std::uint32_t fromExplorer[] = {WM_TRAYNOTIFY, m_uTaskbarCreatedMsg};
    if (!window.AllowFromLowerIntegrity(fromExplorer))
        log.LogMessage(log_level::kMain, "The tray's messages cannot be let in past the integrity check\n");
    ShowTitle();

    m_process.g_strNotice = m_settings.noticeText;

    if (connection.FindExistingConnection()) {
        connection.LoadSavedCredentials();
        m_pane->AppendStatus(m_texts.Text(IDS_ALREADY_CONNECTED));
        connection.OnConnected(true);
        window.EnableControl(IDC_CONNECT, false);
        window.EnableControl(IDC_HANGUP, true);
        m_bKeepHidden = true;
    } else {
        m_pane->AppendStatus(m_texts.Text(IDS_NOT_CONNECTED));
        window.EnableControl(IDC_HANGUP, false);
    }

    ShowOptions();

    const std::string about = os.resources.String(IDS_ABOUTBOX);
    if (!about.empty()) window.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    window.SetIcon(IDI_APPLICATION_ICON);

    if (connection.LoadSavedCredentials() == 1 && m_settings.ConnectAtLaunch()) {
        connection.Reconnect();
        HideDialer();
        m_bKeepHidden = true;
    }

    if (IsWinlogonDesktop(os.system)) {
        log.LogMessage(log_level::kMain, "Windows is logon, setting wndBottom\n");
        window.PlaceTopLeft(ZOrder::Bottom);
    } else {
        window.PlaceTopLeft(ZOrder::NotTopMost);
    }
    if (m_settings.wiredNoWifi) window.SetTimer(TIMER_INTERFACE_WATCH, 5000);
    if (m_bKeepHidden) HideDialer();
    window.SetTimer(TIMER_DESKTOP_CHECK, 5000);
}

void DialerDialog::ShowTitle() {
    const std::string title = m_window->Title();
    m_process.log.DebugTrace("%s", title.c_str());
    if (!m_settings.dialerName.empty())
        m_window->SetTitle(title + " - " + m_settings.dialerName + (m_settings.debugMask ? " (DEBUG)" : ""));
}

void DialerDialog::ShowOptions() {
    Window& window = *m_window;
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
    HideDialer();
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
        case IDC_CONNECT: m_connection->OnConnect(); return true;
        case IDC_HANGUP: m_connection->OnHangUp(); return true;
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
    HideDialer();
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

bool DialerDialog::OnRegisteredMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == m_uRasDialEventMsg) {
        // Any program can post this message: only a dial of our own has events to act on.
        if (!m_process.dialUnderWay) {
            m_process.log.LogMessage(log_level::kVerbose, "RasDialEvent %u dropped: no dial is under way\n",
                                     static_cast<unsigned>(wParam));
            return true;
        }
        if (wParam == rascs::kConnected && lParam == 0) m_process.dialUnderWay = false;
        m_connection->OnRasDialEvent(static_cast<std::uint32_t>(wParam), static_cast<Win32Error>(lParam));
        return true;
    }
    if (message == m_uTaskbarCreatedMsg) {
        m_tray->Add();
        return true;
    }
    return false;
}

void DialerDialog::LoadBanner() {
    const std::string path = m_settings.installDir + "\\banner.jpg";
    std::uint64_t size = 0;
    if (m_process.platform.files.SizeOf(path, size) != err::kSuccess || size == 0) return;
    m_banner = std::make_unique<BannerPicture>();
    if (m_banner->Load(m_process.platform.files, *m_window, path)) {
        m_process.log.DebugTrace("Loaded new banner.");
        m_process.log.LogMessage(log_level::kMain, "Loaded new banner.\n");
    } else {
        m_process.log.DebugTrace("Could not load banner, using default.");
        m_process.log.LogMessage(log_level::kMain, "Could not load banner, using default.\n");
        m_banner.reset();
    }
}

bool DialerDialog::OnPaint() {
    if (m_window->IsMinimized()) {
        m_window->PaintMinimizedIcon(IDI_APPLICATION_ICON);
        return true;
    }
    if (m_bannerPending) {
        m_bannerPending = false;
        LoadBanner();
    }
    m_window->DefaultPaint();
    if (m_banner) m_banner->Render(*m_window, IDC_BANNER);
    return true;
}

void DialerDialog::OnTimer(std::uint32_t id) {
    switch (id) {
        case TIMER_STATUS_POLL: m_connection->StatusPollTimerProc(); break;
        case TIMER_RETRY: m_connection->RetryTimerProc(); break;
        case TIMER_INTERFACE_WATCH: m_watch.InterfaceWatch(m_process.g_hdl); break;
        case TIMER_DESKTOP_CHECK: DesktopCheckTimerProc(); break;
        default: break;
    }
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

void DialerDialog::OnDestroy() {
    m_process.log.LogMessage(log_level::kVerbose, "***** Program Exited *****\n");
    m_process.g_bExiting = true;
    if (!m_process.g_bSessionClosing) {
        if (m_process.g_hdl) m_connection->DisconnWrapper();
        RemoveIpsecPolicy(m_settings);
        NotifyServiceDisconnect(m_process.platform.pipes, m_process.log);
    }
    m_tray->Delete();
    m_process.platform.clock.Sleep(0);
    m_watch.RestoreAllWithdrawnRoutes();
    m_settings.SetRunning(false);
    if (m_banner) {
        m_banner->Release();
        m_banner.reset();
    }
}

}  // namespace zelta
