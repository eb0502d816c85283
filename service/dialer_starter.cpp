// Starting the dialer from the helper service.
#include "service/dialer_starter.h"

#include "common/shared_names.h"
#include "common/trusted_program.h"
#include "service/service_events.h"

namespace zelta {

std::string_view DesktopPath(DialerDesktop desktop) {
    return desktop == DialerDesktop::User ? "winsta0\\default" : "winsta0\\Winlogon";
}

std::optional<std::string> DialerCommandLine(std::string_view installPath) {
    constexpr std::size_t kMaxPath = 259;  // MAX_PATH without its terminator
    const bool drive = installPath.size() > 3 &&
                       ((installPath[0] >= 'A' && installPath[0] <= 'Z') || (installPath[0] >= 'a' && installPath[0] <= 'z')) &&
                       installPath[1] == ':' && installPath[2] == '\\';
    if (!drive || installPath.size() > kMaxPath || installPath.back() == '\\') return std::nullopt;
    for (const char c : installPath) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
    }
    return "\"" + std::string(installPath) + "\"";
}

std::optional<std::uint32_t> DialerStarter::RunningElsewhere(std::uint32_t session) {
    for (const std::uint32_t other : m_platform.system.Sessions())
        if (other != session && m_platform.instance.MutexExists(kInstanceMutexName, other)) return other;
    return std::nullopt;
}

StartOutcome DialerStarter::Start(const DialerSettings& settings, DialerDesktop desktop, std::uint32_t session) {
    const auto commandLine = DialerCommandLine(settings.installPath);
    if (!commandLine) {
        m_log.LogMessage(log_level::kMain, "ZeltaService: \"ZeltaVPNPath\" is not the full path of a program; no dialer started\n");
        return StartOutcome::Failed;
    }
    if (m_platform.instance.MutexExists(kInstanceMutexName, session)) return StartOutcome::AlreadyRunning;
    const std::uint32_t now = m_platform.clock.TickCount();
    if (const auto last = m_lastStart.find(session);
        last != m_lastStart.end() && now - last->second < kMinimumIntervalMs)
        return StartOutcome::TooSoon;

    std::string why;
    const auto held = HoldTrustedProgram(m_platform.files, m_platform.system, settings.installPath, why);
    if (!held) {
        // A program a user could have replaced would run as the system account on their desktop.
        m_log.LogMessage(log_level::kMain, "ZeltaService: %s is not started: %s\n", commandLine->c_str(),
                         LogSafe(why).c_str());
        const std::string strings[] = {*commandLine, LogSafe(why)};
        m_platform.eventLog.Report(kEventSource, EventType::Error, service_event::kProgramRefused, strings);
        return StartOutcome::Failed;
    }
    const Win32Error rc = m_platform.processes.StartInSession(*commandLine, session, DesktopPath(desktop));
    if (rc != err::kSuccess) {
        m_log.LogMessage(log_level::kMain, "ZeltaService: cannot start %s in session %u on %s, error %u\n",
                         commandLine->c_str(), session, std::string(DesktopPath(desktop)).c_str(), rc);
        m_log.LogSystemError(rc);
        return StartOutcome::Failed;
    }
    m_lastStart[session] = now;
    m_log.LogMessage(log_level::kMain, "ZeltaService: started %s in session %u on %s\n", commandLine->c_str(), session,
                     std::string(DesktopPath(desktop)).c_str());
    return StartOutcome::Started;
}

}  // namespace zelta
