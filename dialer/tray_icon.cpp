// The notification icon's states, tips and balloons.
#include "dialer/tray_icon.h"

#include "dialer/dialer_window.h"
#include "dialer/resource.h"

namespace zelta {
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

int IconOf(TrayState state) {
    switch (state) {
        case TrayState::Connected: return IDI_TRAY_CONNECTED;
        case TrayState::Connecting: case TrayState::Redialling: return IDI_TRAY_CONNECTING;
        case TrayState::Error: return IDI_TRAY_ERROR;
        case TrayState::Disconnected: case TrayState::Looking: break;
    }
    return IDI_TRAY_IDLE;
}

}  // namespace

std::string TrayIcon::TrayTip() const {
    switch (m_state) {
        case TrayState::Disconnected: return m_texts.Text(IDS_TIP_DISCONNECTED);
        case TrayState::Looking: return m_texts.Text(IDS_TIP_LOOKING);
        case TrayState::Connecting: return m_texts.Text(IDS_TIP_CONNECTING);
        case TrayState::Connected: return m_texts.Format(IDS_TIP_CONNECTED, m_detail.c_str());
        case TrayState::Redialling: return m_texts.Text(IDS_TIP_REDIALLING);
        case TrayState::Error: return m_texts.Format(IDS_TIP_ERROR, m_detail.c_str());
    }
    return {};
}

void TrayIcon::ApplyTip() {
    if (m_added) m_window.SetTrayTip(TrayTip());
}

void TrayIcon::Add() {
    m_added = m_window.AddTrayIcon(IconOf(m_state), WM_TRAYNOTIFY);
    ApplyTip();
}

void TrayIcon::SetTray(TrayState state, std::string_view detail) {
    const bool changed = state != m_state;
    const std::string line = OneLine(detail);
    if (!changed && line == m_detail) return;
    const int shown = IconOf(m_state);
    m_state = state;
    m_detail = line;
    if (m_added && IconOf(state) != shown) m_window.ModifyTrayIcon(IconOf(state));
    ApplyTip();
    if (!changed || !m_added || !m_balloons) return;
    std::string note;
    if (state == TrayState::Connected) note = m_texts.Format(IDS_BALLOON_CONNECTED, m_detail.c_str());
    if (state == TrayState::Redialling) note = m_texts.Text(IDS_BALLOON_REDIALLING);
    if (state == TrayState::Error) note = m_texts.Format(IDS_BALLOON_GAVE_UP, m_detail.c_str());
    if (!note.empty()) m_window.ShowTrayBalloon(m_texts.Text(IDS_PRODUCT_NAME), note);
}

}  // namespace zelta
