// TrayIcon: the dialer's notification icon and what it tells: its icon, its tip and, when the
// state changes to connected, redialling or an error, one balloon note unless "Balloons" is 0. The
// program carries on without a notification area (a log-on desktop, a missing Explorer).
#pragma once

#include <string>
#include <string_view>

#include "dialer/status_texts.h"
#include "platform/ui.h"

namespace zelta {

enum class TrayState { Disconnected, Looking, Connecting, Connected, Redialling, Error };

class TrayIcon {
public:
    TrayIcon(Window& window, const StatusTexts& texts, bool balloons)
        : m_window(window), m_texts(texts), m_balloons(balloons) {}

    // Adds the icon with the state's tip: at the start, and after Explorer restarted (its
    // notification area forgot the icon, and its tip).
    void Add();
    // `detail` is the server, or the error's text, as one line.
    void SetTray(TrayState state, std::string_view detail = {});
    void Delete() { m_window.DeleteTrayIcon(); }

private:
    std::string TrayTip() const;
    void ApplyTip();

    Window& m_window;
    const StatusTexts& m_texts;
    const bool m_balloons;
    bool m_added = false;
    TrayState m_state = TrayState::Disconnected;
    std::string m_detail;
};

}  // namespace zelta
