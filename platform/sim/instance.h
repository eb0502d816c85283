// The simulated Instance: named mutexes and per-image shared data on the machine, and the process's
// Winsock state.
#pragma once

#include "platform/instance.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/system_info.h"

namespace zelta::sim {

class SimInstance final : public Instance {
public:
    SimInstance(Machine& machine, const ProcessFacts& process, int processId, bool& winsockStarted, Faults& faults)
        : m_machine(machine), m_process(process), m_processId(processId), m_winsockStarted(winsockStarted),
          m_faults(faults) {}
    Win32Error ClaimMutex(std::string_view name) override;
    Win32Error MutexOwner(ObjectOwner& out) override;
    bool MutexExists(std::string_view name, std::uint32_t session) override;
    WindowHandle SharedWindow() override;
    void SetSharedWindow(WindowHandle window) override;
    Win32Error StartWinsock() override;

    // The process ended: its mutexes are free again.
    void ReleaseAll();

    // A mutex name as the machine keeps it: session 0's names as they are, another session's under
    // "Session\N\" (where Windows puts that session's named objects).
    static std::string MutexKey(std::string_view name, std::uint32_t session);

private:
    Machine& m_machine;
    const ProcessFacts& m_process;
    int m_processId;
    bool& m_winsockStarted;
    Faults& m_faults;
    std::string m_found;  // the creator of the mutex the last claim found existing
};

}  // namespace zelta::sim
