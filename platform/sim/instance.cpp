// Implements platform/instance.h on the simulated machine.
#include "platform/sim/instance.h"

namespace zelta::sim {

std::string SimInstance::MutexKey(std::string_view name, std::uint32_t session) {
    return session == 0 ? std::string(name) : "Session\\" + std::to_string(session) + "\\" + std::string(name);
}

Win32Error SimInstance::ClaimMutex(std::string_view name) {
    if (auto fault = m_faults.Check("CreateMutex", name)) return *fault;
    const std::string key = MutexKey(name, m_process.session);
    if (m_machine.mutexHolders.contains(key)) return err::kAlreadyExists;
    m_machine.mutexHolders.emplace(key, m_processId);
    return err::kSuccess;
}

bool SimInstance::MutexExists(std::string_view name, std::uint32_t session) {
    if (m_faults.Check("OpenMutex", name)) return false;
    return m_machine.mutexHolders.contains(MutexKey(name, session));
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
