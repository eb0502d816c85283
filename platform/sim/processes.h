// The simulated Processes: every command line is recorded; the programs the machine knows change it.
#pragma once

#include "platform/processes.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system.h"
#include "platform/sim/machine.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

class SimProcesses final : public Processes {
public:
    SimProcesses(Machine& machine, FileStore& files, const ProcessFacts& process, Faults& faults)
        : m_machine(machine), m_files(files), m_process(process), m_faults(faults) {}
    Win32Error RunAndWait(std::string_view commandLine, std::uint32_t& exitCode) override;
    Win32Error Start(std::string_view commandLine, StartWindow window) override;

private:
    // Runs the program of `commandLine`: kSuccess with its exit code, or the creation error.
    Win32Error Run(std::string_view commandLine, std::uint32_t& exitCode);

    Machine& m_machine;
    FileStore& m_files;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

}  // namespace zelta::sim
