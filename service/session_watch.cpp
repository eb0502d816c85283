// Log-on screens and log-ons, from notifications or from the input desktop.
#include "service/session_watch.h"

#include "platform/text.h"

namespace zelta {

std::optional<SessionChange> SessionWatch::Look() {
    if (m_notifications && m_desktop) return std::nullopt;
    std::string desktop;
    if (!ReadConsoleDesktop(desktop)) return std::nullopt;
    // Screen savers and other desktops come and go over a session; only these two tell a change.
    const bool logonScreen = EqualsNoCase(desktop, "Winlogon");
    if (!logonScreen && !EqualsNoCase(desktop, "Default")) return std::nullopt;
    if (m_desktop && EqualsNoCase(*m_desktop, desktop)) return std::nullopt;
    m_desktop = desktop;
    const std::uint32_t console = m_system.ConsoleSession();
    return SessionChange{logonScreen ? SessionChange::Kind::LogonScreen : SessionChange::Kind::UserLogon, console};
}

bool SessionWatch::ReadConsoleDesktop(std::string& desktop) {
    OsVersion version;
    if (m_system.QueryOsVersion(version) == err::kSuccess && RoadFor(version) == WindowsRoad::Vista) {
        // From Vista on the service has session 0 to itself: its input desktop is nobody's. The
        // console's session says itself whether somebody is logged on there.
        std::string user;
        if (m_system.SessionUser(m_system.ConsoleSession(), user) != err::kSuccess) return false;
        desktop = user.empty() ? "Winlogon" : "Default";
        return true;
    }
    return m_system.InputDesktopName(desktop) == err::kSuccess;
}

std::optional<SessionChange> SessionWatch::OnControl(const ServiceControlEvent& control) {
    switch (control.kind) {
        case ServiceControlKind::SessionLogon:
            m_desktop = "Default";
            return SessionChange{SessionChange::Kind::UserLogon, control.session};
        case ServiceControlKind::SessionLogoff:
            // The log-on screen comes back on the machine's own screen, whichever session left.
            m_desktop = "Winlogon";
            return SessionChange{SessionChange::Kind::LogonScreen, m_system.ConsoleSession()};
        case ServiceControlKind::Stop:
        case ServiceControlKind::Shutdown:
            break;
    }
    return std::nullopt;
}

}  // namespace zelta
