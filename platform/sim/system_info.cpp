// Implements platform/system_info.h for a simulated process.
#include "platform/sim/system_info.h"

#include <locale.h>
#include <wctype.h>

#include <set>
#include <vector>

#include "platform/sim/accounts.h"
#include "platform/sim/code_page.h"
#include "platform/sim/processes.h"
#include "platform/sim/scheduler.h"

namespace zelta::sim {

Win32Error SimSystemInfo::QueryOsVersion(OsVersion& out) {
    if (!m_machine.osVersion)
        throw SimSetupError("SystemInfo::QueryOsVersion: the machine has no OS version; set it with "
                            "SimHost::SetOsVersion");
    out = *m_machine.osVersion;
    // RtlGetVersion tells the truth; without it, GetVersionEx answers by the program's manifest:
    // from 8.1 on, 6.2 to a program whose manifest does not name the version (ours name them all).
    if (!m_faults.Check("RtlGetVersion", m_process.image)) return err::kSuccess;
    if (auto fault = m_faults.Check("GetVersionEx")) return *fault;
    const bool manifested = EqualsNoCase(m_process.image, "dial.exe") || EqualsNoCase(m_process.image, "ZeltaService.exe");
    const bool newerThan8 = out.major > 6 || (out.major == 6 && out.minor >= 3);
    if (newerThan8 && !manifested) out = OsVersion{6, 2, 9200, 2, {}};
    return err::kSuccess;
}

Win32Error SimSystemInfo::AccountName(std::string& out) {
    if (auto fault = m_faults.Check("GetUserName", m_process.image)) return *fault;
    out = m_process.account;
    return err::kSuccess;
}

Win32Error SimSystemInfo::OwnAccount(ObjectOwner& out) {
    if (auto fault = m_faults.Check("OpenProcessToken", m_process.image)) return *fault;
    out = OwnerFor(m_process.account);
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

Win32Error SimSystemInfo::SessionUser(std::uint32_t session, std::string& out) {
    if (auto fault = m_faults.Check("WTSQuerySessionInformation", std::to_string(session))) return *fault;
    out.clear();
    if (const auto it = m_machine.sessionUsers.find(session); it != m_machine.sessionUsers.end()) {
        out = it->second;
    } else if (session == m_machine.consoleSession && m_machine.inputDesktop && EqualsNoCase(*m_machine.inputDesktop, "Default")) {
        out = "User";  // the console shows a user's desktop: somebody is logged on there
    }
    return err::kSuccess;
}

std::vector<std::uint32_t> SimSystemInfo::Sessions() {
    std::set<std::uint32_t> sessions = m_machine.sessions;
    sessions.insert(m_machine.consoleSession);
    return {sessions.begin(), sessions.end()};
}

void SimSystemInfo::DebugOutput(std::string_view text) {
    m_machine.debugOutput.push_back(DebugLine{m_process.image, std::string(text)});
    std::string shown(text);
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    m_machine.journal.Note("debug", shown);
}

void SimSystemInfo::WriteStdout(std::string_view utf8) {
    const std::string text = ThroughAnsi(m_machine.ansiCodePage, utf8);  // written in the ANSI code page
    m_machine.standardOutput.push_back(DebugLine{m_process.image, text});
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

namespace {

// The text's characters as Unicode code points, each in its upper case (the C library's Unicode
// tables, as lstrcmpiW has the system's). A surrogate without its partner stays itself, so two
// different ones never compare equal.
std::vector<std::uint32_t> UpperCodePoints(std::u16string_view text) {
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(c);
            continue;
        }
        out.push_back(unicode ? static_cast<std::uint32_t>(::towupper_l(static_cast<wint_t>(c), unicode)) : c);
    }
    return out;
}

}  // namespace

bool SimSystemInfo::SameTextNoCase(std::u16string_view a, std::u16string_view b) {
    return UpperCodePoints(a) == UpperCodePoints(b);
}

}  // namespace zelta::sim
