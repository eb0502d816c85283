// Implements platform/processes.h: the simulated machine runs the programs it knows.
#include "platform/sim/processes.h"

#include <algorithm>

#include "platform/sim/accounts.h"
#include "platform/sim/programs.h"
#include "platform/text.h"

namespace zelta::sim {

// The system directory of the machine's Windows version, where its own programs are.
std::string SystemDirectoryOf(const Machine& machine) {
    const bool windows2000 = machine.osVersion && machine.osVersion->major == 5 && machine.osVersion->minor == 0;
    return windows2000 ? "C:\\WINNT\\system32" : "C:\\WINDOWS\\system32";
}

namespace {

// "C:\Dialer\ipseccmd" -> "ipseccmd"; "route.exe" -> "route".
std::string BaseName(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".exe")) name.resize(name.size() - 4);
    return name;
}

// A command line's program, and the file that ran when it was not where the first word points (a
// copy planted beside the running program, found before the system's own).
void NoteRun(const Machine& machine, std::string_view commandLine, Win32Error rc, std::uint32_t exitCode, bool waited,
             std::string_view where = {}, std::string_view file = {}) {
    std::string text(commandLine);
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    const bool bare = !words.empty() && words.front().find_first_of("\\/:") == std::string::npos;
    const std::string system = SystemDirectoryOf(machine) + "\\";
    if (bare && !file.empty() && !EqualsNoCase(file.substr(0, std::min(file.size(), system.size())), system))
        text += "  [" + std::string(file) + "]";
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

std::string SimProcesses::Search(std::string_view name) {
    std::string file(name);
    if (file.find('.') == std::string::npos) file += ".exe";
    const std::string own = m_process.path.empty() ? "C:\\" + m_process.image : m_process.path;
    const auto slash = own.find_last_of('\\');
    const std::string beside = (slash == std::string::npos ? std::string("C:") : own.substr(0, slash)) + "\\" + file;
    return m_files.Exists(beside) ? beside : SystemDirectoryOf(m_machine) + "\\" + file;
}

Win32Error SimProcesses::Run(std::string_view application, std::string_view commandLine, bool wait,
                             std::uint32_t& exitCode, std::string& file) {
    exitCode = 0;
    if (auto fault = m_faults.Check("CreateProcess", commandLine)) return *fault;
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return err::kFileNotFound;
    const std::string program = words.front();
    words.erase(words.begin());

    const bool bare = program.find_first_of("\\/:") == std::string::npos;
    file = !application.empty() ? std::string(application) : bare ? Search(program) : program;
    if (EqualsNoCase(file, SystemDirectoryOf(m_machine) + "\\route.exe")) {  // the system's own program
        exitCode = RunRouteProgram(m_machine, words);
        return err::kSuccess;
    }
    if (m_launcher.CanLaunch(file)) {
        const int id = m_launcher.Launch({file, words, m_process.account, m_process.desktop, m_process.session, {}});
        if (wait) {
            m_scheduler.BlockUntil([this, id] { return m_launcher.HasEnded(id); }, std::nullopt);
            exitCode = static_cast<std::uint32_t>(m_launcher.ExitCode(id));
        }
        return err::kSuccess;
    }
    // Anything else must be a file on the machine, with or without its ".exe".
    if (!m_files.Exists(file)) {
        if (!m_files.Exists(file + ".exe")) return err::kFileNotFound;
        file += ".exe";
    }
    const std::string name = BaseName(file);
    if (EqualsNoCase(name, "ipseccmd") || EqualsNoCase(name, "ipsecpol")) {
        exitCode = RunIpsecTool(m_machine, m_registry, words);
    }
    return err::kSuccess;  // any other program file runs and changes nothing the machine knows of
}

Win32Error SimProcesses::RunAndWait(std::string_view application, std::string_view commandLine,
                                    std::uint32_t& exitCode) {
    std::string file;
    const Win32Error rc = Run(application, commandLine, true, exitCode, file);
    NoteRun(m_machine, commandLine, rc, exitCode, true, {}, file);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), file, true, rc, exitCode});
    return rc;
}

Win32Error SimProcesses::Start(std::string_view commandLine, StartWindow window) {
    std::uint32_t exitCode = 0;
    std::string file;
    const Win32Error rc = Run({}, commandLine, false, exitCode, file);
    NoteRun(m_machine, commandLine, rc, exitCode, false, {}, file);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), file, false, rc, exitCode,
                                            window == StartWindow::Hidden ? "hidden" : "default"});
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
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine),
                                            words.empty() ? "" : words.front(), false, rc, 0, "default"});
    return rc;
}

}  // namespace zelta::sim
