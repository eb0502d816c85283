// Implements platform/processes.h: the simulated machine runs the programs it knows.
#include "platform/sim/processes.h"

#include "platform/sim/accounts.h"
#include "platform/sim/programs.h"
#include "platform/text.h"

namespace zelta::sim {
namespace {

// "C:\Dialer\ipseccmd" -> "ipseccmd"; "route.exe" -> "route".
std::string BaseName(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".exe")) name.resize(name.size() - 4);
    return name;
}

bool IsBareRoute(std::string_view program) {
    return EqualsNoCase(program, "route") || EqualsNoCase(program, "route.exe");
}

void NoteRun(const Machine& machine, std::string_view commandLine, Win32Error rc, std::uint32_t exitCode, bool waited,
             std::string_view where = {}) {
    std::string text(commandLine);
    if (rc != err::kSuccess) {
        text += "  -> error " + std::to_string(rc);
    } else if (waited) {
        text += "  -> exit " + std::to_string(exitCode);
    } else {
        text += "  -> started";
        if (!where.empty()) text += " " + std::string(where);
    }
    machine.journal.Note("run", text);
}

}  // namespace

std::string InteractiveDesktop(std::string_view desktop) {
    constexpr std::string_view kStation = "winsta0\\";
    if (desktop.size() <= kStation.size() || !EqualsNoCase(desktop.substr(0, kStation.size()), kStation)) return {};
    const std::string_view name = desktop.substr(kStation.size());
    if (EqualsNoCase(name, "default")) return "Default";
    if (EqualsNoCase(name, "winlogon")) return "Winlogon";
    return std::string(name);
}

Win32Error SimProcesses::Run(std::string_view commandLine, bool wait, std::uint32_t& exitCode) {
    exitCode = 0;
    if (auto fault = m_faults.Check("CreateProcess", commandLine)) return *fault;
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return err::kFileNotFound;
    const std::string program = words.front();
    words.erase(words.begin());

    if (IsBareRoute(program)) {  // the system's own program, found on the search path
        exitCode = RunRouteProgram(m_machine, words);
        return err::kSuccess;
    }
    if (m_launcher.CanLaunch(program)) {
        const int id = m_launcher.Launch({program, words, m_process.account, m_process.desktop, m_process.session, {}});
        if (wait) {
            m_scheduler.BlockUntil([this, id] { return m_launcher.HasEnded(id); }, std::nullopt);
            exitCode = static_cast<std::uint32_t>(m_launcher.ExitCode(id));
        }
        return err::kSuccess;
    }
    // Anything else must be a file on the machine, with or without its ".exe".
    if (!m_files.Exists(program) && !m_files.Exists(program + ".exe")) return err::kFileNotFound;
    const std::string name = BaseName(program);
    if (EqualsNoCase(name, "ipseccmd") || EqualsNoCase(name, "ipsecpol")) {
        exitCode = RunIpsecTool(m_machine, words);
    }
    return err::kSuccess;
}

Win32Error SimProcesses::RunAndWait(std::string_view commandLine, std::uint32_t& exitCode) {
    const Win32Error rc = Run(commandLine, true, exitCode);
    NoteRun(m_machine, commandLine, rc, exitCode, true);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), true, rc, exitCode});
    return rc;
}

Win32Error SimProcesses::Start(std::string_view commandLine, StartWindow) {
    std::uint32_t exitCode = 0;
    const Win32Error rc = Run(commandLine, false, exitCode);
    NoteRun(m_machine, commandLine, rc, exitCode, false);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), false, rc, exitCode});
    return rc;
}

Win32Error SimProcesses::StartInSession(std::string_view commandLine, std::uint32_t session, std::string_view desktop) {
    Win32Error rc = err::kSuccess;
    const std::string where = "in session " + std::to_string(session) + " on " + std::string(desktop);
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    const std::string onDesktop = InteractiveDesktop(desktop);
    if (auto fault = m_faults.Check("CreateProcessAsUser", commandLine)) {
        rc = *fault;
    } else if (!IsSystemAccount(m_process.account)) {
        rc = 1314;  // ERROR_PRIVILEGE_NOT_HELD: only the system account moves a token between sessions
    } else if (words.empty() || onDesktop.empty()) {
        rc = err::kInvalidParameter;
    } else if (!m_launcher.CanLaunch(words.front())) {
        rc = err::kFileNotFound;
    } else {
        m_launcher.Launch({words.front(), {words.begin() + 1, words.end()}, m_process.account, onDesktop, session, {}});
    }
    NoteRun(m_machine, commandLine, rc, 0, false, where);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), false, rc, 0});
    return rc;
}

}  // namespace zelta::sim
