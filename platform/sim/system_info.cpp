// Implements platform/system_info.h for a simulated process.
#include "platform/sim/system_info.h"

#include "platform/sim/processes.h"
#include "platform/sim/scheduler.h"

namespace zelta::sim {

Win32Error SimSystemInfo::QueryOsVersion(OsVersion& out) {
    if (auto fault = m_faults.Check("GetVersionEx")) return *fault;
    if (!m_machine.osVersion)
        throw SimSetupError("SystemInfo::QueryOsVersion: the machine has no OS version; set it with "
                            "SimHost::SetOsVersion");
    out = *m_machine.osVersion;
    return err::kSuccess;
}

Win32Error SimSystemInfo::AccountName(std::string& out) {
    if (auto fault = m_faults.Check("GetUserName", m_process.image)) return *fault;
    out = m_process.account;
    return err::kSuccess;
}

Win32Error SimSystemInfo::InputDesktopName(std::string& out) {
    if (auto fault = m_faults.Check("OpenInputDesktop")) return *fault;
    if (!m_machine.inputDesktop)
        throw SimSetupError("SystemInfo::InputDesktopName: the machine has no input desktop; set it with "
                            "SimHost::SetInputDesktop");
    out = *m_machine.inputDesktop;
    return err::kSuccess;
}

Win32Error SimSystemInfo::ThreadDesktopName(std::string& out) {
    if (auto fault = m_faults.Check("GetThreadDesktop", m_process.image)) return *fault;
    out = m_process.desktop;
    return err::kSuccess;
}

Win32Error SimSystemInfo::SystemDirectory(std::string& out) {
    if (auto fault = m_faults.Check("GetSystemDirectory")) return *fault;
    out = SystemDirectoryOf(m_machine);
    return err::kSuccess;
}

Win32Error SimSystemInfo::ProgramPath(std::string& out) {
    if (auto fault = m_faults.Check("GetModuleFileName", m_process.image)) return *fault;
    out = m_process.path.empty() ? "C:\\" + m_process.image : m_process.path;
    return err::kSuccess;
}

std::uint32_t SimSystemInfo::ConsoleSession() { return m_machine.consoleSession; }

void SimSystemInfo::DebugOutput(std::string_view text) {
    m_machine.debugOutput.push_back(DebugLine{m_process.image, std::string(text)});
    std::string shown(text);
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    m_machine.journal.Note("debug", shown);
}

void SimSystemInfo::WriteStdout(std::string_view text) {
    m_machine.standardOutput.push_back(DebugLine{m_process.image, std::string(text)});
    std::string shown(text);
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    m_machine.journal.Note("stdout", shown);
}

bool SimSystemInfo::ErrorText(Win32Error code, std::string& out) {
    out.clear();
    if (m_faults.Check("FormatMessage")) return false;
    const auto it = m_machine.errorTexts.find(code);
    if (it == m_machine.errorTexts.end()) return false;
    out = it->second;
    return true;
}

}  // namespace zelta::sim
