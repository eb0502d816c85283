// Implements platform/instance.h on the simulated machine.
#include "platform/sim/instance.h"

#include "platform/sim/accounts.h"

namespace zelta::sim {

std::string SimInstance::MutexKey(std::string_view name, std::uint32_t session) {
    return session == 0 ? std::string(name) : "Session\\" + std::to_string(session) + "\\" + std::string(name);
}

Win32Error SimInstance::ClaimMutex(std::string_view name) {
    if (auto fault = m_faults.Check("CreateMutex", name)) return *fault;
    const std::string key = MutexKey(name, m_process.session);
    if (const auto held = m_machine.mutexHolders.find(key); held != m_machine.mutexHolders.end()) {
        m_found = held->second.owner;
        return err::kAlreadyExists;
    }
    m_machine.mutexHolders.emplace(key, MutexHolder{m_processId, m_process.account});
    return err::kSuccess;
}

Win32Error SimInstance::MutexOwner(ObjectOwner& out) {
    if (m_found.empty()) return err::kInvalidHandle;
    out = OwnerFor(m_found);
    return err::kSuccess;
}

bool SimInstance::MutexExists(std::string_view name, std::uint32_t session) {
    if (m_faults.Check("OpenMutex", name)) return false;
    return m_machine.mutexHolders.contains(MutexKey(name, session));
}

WindowHandle SimInstance::SharedWindow() {
    const auto it = m_machine.sharedSections.find(m_process.image);
    return it == m_machine.sharedSections.end() ? WindowHandle{} : it->second.Window();
}

void SimInstance::SetSharedWindow(WindowHandle window) { m_machine.sharedSections[m_process.image].SetWindow(window); }

Win32Error SimInstance::StartWinsock() {
    if (auto fault = m_faults.Check("WSAStartup", m_process.image)) return *fault;
    m_winsockStarted = true;
    return err::kSuccess;
}

void SimInstance::ReleaseAll() {
    std::erase_if(m_machine.mutexHolders, [&](const auto& holder) { return holder.second.processId == m_processId; });
}

}  // namespace zelta::sim
