// SessionWatch: when the log-on screen shows and when a user logs on, as the helper service learns
// it: from session notifications where the system sends them (Windows XP), otherwise by watching
// which desktop takes input, as the dialer's own desktop check does. The first look after the
// service started tells what the machine is doing now: the log-on screen (it has just started, or
// nobody is logged on), or a user's desktop (somebody logged on before the service started).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/service_host.h"
#include "platform/system_info.h"

namespace zelta {

struct SessionChange {
    enum class Kind { LogonScreen, UserLogon } kind = Kind::LogonScreen;
    std::uint32_t session = 0;
};

class SessionWatch {
public:
    // `notifications`: the service gets session changes as controls; the desktop is then looked at
    // only until its first answer.
    SessionWatch(SystemInfo& system, bool notifications) : m_system(system), m_notifications(notifications) {}

    // A look at the input desktop: a change since the last look, or the state at the first one.
    std::optional<SessionChange> Look();

    // A control of the service control manager.
    std::optional<SessionChange> OnControl(const ServiceControlEvent& control);

private:
    // "Winlogon" while the console's log-on screen shows, "Default" on a user's desktop, or another
    // desktop that takes input; false when it cannot be told.
    bool ReadConsoleDesktop(std::string& desktop);

    SystemInfo& m_system;
    bool m_notifications;
    std::optional<std::string> m_desktop;  // the input desktop at the last look that read one
};

}  // namespace zelta
