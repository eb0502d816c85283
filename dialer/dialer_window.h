// What the dialer's window looks like to the parts that drive it: its messages and timers, the
// status pane, and how it hides.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/log.h"
#include "platform/system_info.h"
#include "platform/ui.h"

namespace zelta {

inline constexpr std::uint32_t WM_TRAYNOTIFY = 0x8005;  // WM_APP + 5

// The dialer's window timers.
inline constexpr std::uint32_t TIMER_STATUS_POLL = 1;
inline constexpr std::uint32_t TIMER_RETRY = 2;
inline constexpr std::uint32_t TIMER_INTERFACE_WATCH = 4;
inline constexpr std::uint32_t TIMER_DESKTOP_CHECK = 5;

// The status pane (IDC_STATUS), always scrolled to its end.
class StatusPane {
public:
    explicit StatusPane(Window& window) : m_window(window) {}
    // Adds `text`; a pane already over 8192 characters starts afresh with it.
    void AppendStatus(std::string_view text);
    void ReplaceStatus(std::string_view text);

private:
    Window& m_window;
};

// Whether this thread's desktop is the log-on desktop ("winlogon").
bool IsWinlogonDesktop(SystemInfo& system);

// The window goes to the bottom at the top left; on the log-on desktop, which has no notification
// area to come back from, it is minimized instead of hidden.
void HideDialer(Window& window, SystemInfo& system, Log& log);

}  // namespace zelta
