// The status pane and hiding the window.
#include "dialer/dialer_window.h"

#include <string>

#include "dialer/resource.h"
#include "platform/text.h"

namespace zelta {
namespace {

constexpr std::size_t kStatusPaneLimit = 8192;  // characters; more and the next append starts afresh

}  // namespace

void StatusPane::AppendStatus(std::string_view text) {
    std::string pane = m_window.ControlText(IDC_STATUS);
    if (CharacterCount(pane) > kStatusPaneLimit) pane.clear();
    pane += text;
    m_window.SetControlText(IDC_STATUS, pane);
    m_window.ScrollToEnd(IDC_STATUS);
}

void StatusPane::ReplaceStatus(std::string_view text) {
    m_window.SetControlText(IDC_STATUS, text);
    m_window.ScrollToEnd(IDC_STATUS);
}

bool IsWinlogonDesktop(SystemInfo& system) {
    std::string desktop;
    return system.ThreadDesktopName(desktop) == err::kSuccess && EqualsNoCase(desktop, "winlogon");
}

void HideDialer(Window& window, SystemInfo& system, Log& log) {
    window.PlaceTopLeft(ZOrder::Bottom);
    if (IsWinlogonDesktop(system)) {
        window.Show(ShowCommand::Minimize);
    } else {
        log.LogMessage(log_level::kVerbose, "Hiding window\n");
        window.Show(ShowCommand::Hide);
    }
}

}  // namespace zelta
