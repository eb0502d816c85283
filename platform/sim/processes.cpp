// Implements platform/processes.h: the simulated machine runs the programs it knows.
#include "platform/sim/processes.h"

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

}  // namespace

Win32Error SimProcesses::Run(std::string_view commandLine, std::uint32_t& exitCode) {
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
    // Anything else must be a file on the machine, with or without its ".exe".
    if (!m_files.Exists(program) && !m_files.Exists(program + ".exe")) return err::kFileNotFound;
    const std::string name = BaseName(program);
    if (EqualsNoCase(name, "ipseccmd") || EqualsNoCase(name, "ipsecpol")) {
        exitCode = RunIpsecTool(m_machine, words);
    }
    return err::kSuccess;
}

namespace {

void NoteRun(const Machine& machine, std::string_view commandLine, Win32Error rc, std::uint32_t exitCode, bool waited) {
    std::string text(commandLine);
    if (rc != err::kSuccess) {
        text += "  -> error " + std::to_string(rc);
    } else if (waited) {
        text += "  -> exit " + std::to_string(exitCode);
    } else {
        text += "  -> started";
    }
    machine.journal.Note("run", text);
}

}  // namespace

Win32Error SimProcesses::RunAndWait(std::string_view commandLine, std::uint32_t& exitCode) {
    const Win32Error rc = Run(commandLine, exitCode);
    NoteRun(m_machine, commandLine, rc, exitCode, true);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), true, rc, exitCode});
    return rc;
}

Win32Error SimProcesses::Start(std::string_view commandLine, StartWindow) {
    std::uint32_t exitCode = 0;
    const Win32Error rc = Run(commandLine, exitCode);
    NoteRun(m_machine, commandLine, rc, exitCode, false);
    m_machine.commands.push_back(CommandRun{m_process.image, std::string(commandLine), false, rc, exitCode});
    return rc;
}

}  // namespace zelta::sim
