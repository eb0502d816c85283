// The simulated SystemInfo of one process.
#pragma once

#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/system_info.h"

namespace zelta::sim {

struct ProcessFacts {
    std::string image;    // "dial.exe"
    std::string account;  // what GetUserName answers
    std::string desktop;  // the desktop the process's threads are on
    std::string label;    // how a transcript names it ("dial.exe#2"); the image name by default
    std::uint32_t session = 0;  // the Terminal Services session it runs in
    std::string path;           // its program file ("C:\Dialer\dial.exe"); "C:\" + image when not given
    std::string serviceName;    // the service the service control manager started it as, if any
    bool network = false;       // a client from another machine (its pipe opens come over the network)
};

class SimSystemInfo final : public SystemInfo {
public:
    SimSystemInfo(Machine& machine, const ProcessFacts& process, Faults& faults)
        : m_machine(machine), m_process(process), m_faults(faults) {}
    Win32Error QueryOsVersion(OsVersion& out) override;
    Win32Error AccountName(std::string& out) override;
    Win32Error OwnAccount(ObjectOwner& out) override;
    Win32Error InputDesktopName(std::string& out) override;
    Win32Error ThreadDesktopName(std::string& out) override;
    Win32Error SystemDirectory(std::string& out) override;
    Win32Error ProgramPath(std::string& out) override;
    std::uint32_t ConsoleSession() override;
    std::vector<std::uint32_t> Sessions() override;
    Win32Error SessionUser(std::uint32_t session, std::string& out) override;
    void DebugOutput(std::string_view text) override;
    void WriteStdout(std::string_view text) override;
    bool ErrorText(Win32Error code, std::string& out) override;
    bool SameTextNoCase(std::u16string_view a, std::u16string_view b) override;

private:
    Machine& m_machine;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

}  // namespace zelta::sim
