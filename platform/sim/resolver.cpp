// Implements platform/resolver.h over the simulated machine's host names.
#include "platform/sim/resolver.h"

namespace zelta::sim {

Win32Error SimResolver::Resolve(std::string_view hostName, Ipv4& out) {
    if (auto fault = m_faults.Check("gethostbyname", hostName)) return *fault;
    if (!m_winsockStarted) return err::kWsaNotInitialised;
    if (auto literal = Ipv4::Parse(hostName)) {  // gethostbyname answers a dotted quad itself
        out = *literal;
        return err::kSuccess;
    }
    const auto it = m_machine.hosts.find(hostName);
    if (it == m_machine.hosts.end()) return err::kWsaHostNotFound;
    out = it->second;
    return err::kSuccess;
}

}  // namespace zelta::sim
