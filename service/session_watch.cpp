// Log-on screens and log-ons, from notifications or from the input desktop.
#include "service/session_watch.h"

#include "platform/text.h"

namespace zelta {

std::optional<SessionChange> SessionWatch::Look() {
    if (m_notifications && m_desktop) return std::nullopt;
    std::string desktop;
    if (m_platform.system.InputDesktopName(desktop) != err::kSuccess) return std::nullopt;
    // Screen savers and other desktops come and go over a session; only these two tell a change.
    const bool logonScreen = EqualsNoCase(desktop, "Winlogon");
    if (!logonScreen && !EqualsNoCase(desktop, "Default")) return std::nullopt;
    if (m_desktop && EqualsNoCase(*m_desktop, desktop)) return std::nullopt;
    m_desktop = desktop;
    const std::uint32_t console = m_platform.system.ConsoleSession();
    return SessionChange{logonScreen ? SessionChange::Kind::LogonScreen : SessionChange::Kind::UserLogon, console};
}

std::optional<SessionChange> SessionWatch::OnControl(const ServiceControlEvent& control) {
    switch (control.kind) {
        case ServiceControlKind::SessionLogon:
            m_desktop = "Default";
            return SessionChange{SessionChange::Kind::UserLogon, control.session};
        case ServiceControlKind::SessionLogoff:
            // The log-on screen comes back on the machine's own screen, whichever session left.
            m_desktop = "Winlogon";
            return SessionChange{SessionChange::Kind::LogonScreen, m_platform.system.ConsoleSession()};
        case ServiceControlKind::Stop:
        case ServiceControlKind::Shutdown:
            break;
    }
    return std::nullopt;
}

}  // namespace zelta
