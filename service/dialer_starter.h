// DialerStarter: the only program the helper service ever starts is the configured dialer, in the
// system account, on one of two desktops of one session, without arguments, never while a dialer
// window already runs in that session and at most once every five seconds in each session.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/platform.h"

namespace zelta {

// Where the dialer opens: the user's desktop, or the log-on screen (before anybody logged on).
enum class DialerDesktop { User, Logon };

enum class StartOutcome {
    Started,         // the dialer was started
    AlreadyRunning,  // a dialer window runs in that session (its instance mutex is held)
    TooSoon,         // one was started there less than five seconds ago: it is probably still opening
    Failed,          // no usable dialer path, or the start failed (logged)
};

// "winsta0\default" or "winsta0\Winlogon".
std::string_view DesktopPath(DialerDesktop desktop);

// The command line for the dialer at `installPath` ("ZeltaVPNPath"): the path alone, quoted, so
// that nothing in it can become an argument. Nothing for a path that is not a full path of a file
// on a drive (a relative name would be looked for on the search path) or that holds a quote or a
// control character.
std::optional<std::string> DialerCommandLine(std::string_view installPath);

class DialerStarter {
public:
    static constexpr std::uint32_t kMinimumIntervalMs = 5000;

    DialerStarter(Platform& platform, Log& log) : m_platform(platform), m_log(log) {}

    // A session other than `session` where a dialer window runs (its instance mutex is held), if any.
    std::optional<std::uint32_t> RunningElsewhere(std::uint32_t session);

    // One start of the dialer that `settings` name, unless one of the guards says no.
    StartOutcome Start(const DialerSettings& settings, DialerDesktop desktop, std::uint32_t session);

private:
    Platform& m_platform;
    Log& m_log;
    std::map<std::uint32_t, std::uint32_t> m_lastStart;  // session -> tick count of its last start
};

}  // namespace zelta
