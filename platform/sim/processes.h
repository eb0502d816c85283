// The simulated Processes: every command line is recorded; the programs the machine knows change it,
// and a program file whose image the host knows (dial.exe, ZeltaService.exe) runs its real code.
#pragma once

#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system.h"
#include "platform/sim/machine.h"
#include "platform/sim/registry.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

// How a program of the machine starts another one: the host knows which program files run real code.
class ProgramLauncher {
public:
    struct LaunchRequest {
        std::string path;               // the program file, as the command line named it
        std::vector<std::string> args;  // the words after it
        std::string account;
        std::string desktop;
        std::uint32_t session = 0;
        std::string serviceName;  // set when the service control manager starts it
    };

    virtual ~ProgramLauncher() = default;
    // The file is on the machine and its image is one the host can run.
    virtual bool CanLaunch(std::string_view path) = 0;
    // Starts it: at once on the driver, or as soon as the calling program blocks. The process id.
    virtual int Launch(LaunchRequest request) = 0;
    virtual bool HasEnded(int processId) = 0;
    virtual int ExitCode(int processId) = 0;
};

class SimProcesses final : public Processes {
public:
    SimProcesses(Machine& machine, FileStore& files, RegistryStore& registry, Scheduler& scheduler,
                 ProgramLauncher& launcher, const ProcessFacts& process, Faults& faults)
        : m_machine(machine), m_files(files), m_registry(registry), m_scheduler(scheduler), m_launcher(launcher),
          m_process(process), m_faults(faults) {}
    Win32Error RunAndWait(std::string_view application, std::string_view commandLine, std::uint32_t& exitCode) override;
    Win32Error Start(std::string_view commandLine, StartWindow window) override;
    Win32Error StartInSession(std::string_view commandLine, std::uint32_t session, std::string_view desktop) override;

private:
    // Runs the program of `commandLine` (or `application`, when named): kSuccess with its exit code,
    // or the creation error. A program image is launched, and waited for when `wait` is set. `file`
    // learns which program file ran.
    Win32Error Run(std::string_view application, std::string_view commandLine, bool wait, std::uint32_t& exitCode,
                   std::string& file);
    // The file a bare program name ("route") finds along the search path: beside the running
    // program first, then in the system directory.
    std::string Search(std::string_view name);

    Machine& m_machine;
    FileStore& m_files;
    RegistryStore& m_registry;
    Scheduler& m_scheduler;
    ProgramLauncher& m_launcher;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

// "winsta0\Winlogon" -> "Winlogon", "WinSta0\default" -> "Default": the desktop a program starts
// on, by the names the machine gives its desktops. Empty for anything not on the interactive
// window station.
std::string InteractiveDesktop(std::string_view desktop);

// "C:\WINNT\system32" on Windows 2000, "C:\WINDOWS\system32" on later versions.
std::string SystemDirectoryOf(const Machine& machine);

}  // namespace zelta::sim
