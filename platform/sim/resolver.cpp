// Implements platform/resolver.h over the simulated machine's host names.
#include "platform/sim/resolver.h"

#include "platform/sim/code_page.h"

namespace zelta::sim {

Win32Error SimResolver::Resolve(std::string_view name, Ipv4& out) {
    // gethostbyname takes the name in the ANSI code page.
    const std::string hostName = ThroughAnsi(m_machine.ansiCodePage, name);
    if (auto fault = m_faults.Check("gethostbyname", hostName)) return *fault;
    if (!m_winsockStarted) return err::kWsaNotInitialised;
    if (auto literal = Ipv4::Parse(hostName)) {  // gethostbyname answers a dotted quad itself
        out = *literal;
        return err::kSuccess;
    }
    const auto it = m_machine.hosts.find(hostName);
    if (it == m_machine.hosts.end() || it->second.empty()) return err::kWsaHostNotFound;
    out = it->second.front();  // h_addr_list[0]: the address the caller takes
    return err::kSuccess;
}

}  // namespace zelta::sim
