// Implements platform/instance.h on the simulated machine.
#include "platform/sim/instance.h"

namespace zelta::sim {

Win32Error SimInstance::ClaimMutex(std::string_view name) {
    if (auto fault = m_faults.Check("CreateMutex", name)) return *fault;
    const auto it = m_machine.mutexHolders.find(name);
    if (it != m_machine.mutexHolders.end()) return err::kAlreadyExists;
    m_machine.mutexHolders.emplace(std::string(name), m_processId);
    return err::kSuccess;
}

WindowHandle SimInstance::SharedWindow() {
    const auto it = m_machine.sharedWindows.find(m_process.image);
    return it == m_machine.sharedWindows.end() ? WindowHandle{} : it->second;
}

void SimInstance::SetSharedWindow(WindowHandle window) { m_machine.sharedWindows[m_process.image] = window; }

Win32Error SimInstance::StartWinsock() {
    if (auto fault = m_faults.Check("WSAStartup", m_process.image)) return *fault;
    m_winsockStarted = true;
    return err::kSuccess;
}

void SimInstance::ReleaseAll() {
    std::erase_if(m_machine.mutexHolders, [&](const auto& holder) { return holder.second == m_processId; });
}

}  // namespace zelta::sim
