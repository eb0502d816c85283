// The simulated IpHelper: the machine's adapters and forwarding table.
#pragma once

#include "platform/ip_helper.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimIpHelper final : public IpHelper {
public:
    SimIpHelper(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}
    Win32Error BestInterface(Ipv4 destination, std::uint32_t& interfaceIndex) override;
    Win32Error AdaptersInfo(std::vector<AdapterInfo>& out) override;
    Win32Error ForwardTable(std::size_t capacity, std::vector<IpForwardRow>& out) override;
    Win32Error InterfaceTableSize(std::uint32_t& bytes) override;
    Win32Error InterfaceTable(std::size_t capacity, std::vector<InterfaceRow>& out) override;
    Win32Error NetworkParams(std::vector<std::string>& dnsServers) override;
    Win32Error DeleteForwardEntry(const IpForwardRow& row) override;
    Win32Error CreateForwardEntry(const IpForwardRow& row) override;

private:
    Machine& m_machine;
    Faults& m_faults;
};

// The counter of `row` named as its field is (dwInOctets, dwOutErrors...), or nullptr.
std::uint32_t* InterfaceCounter(InterfaceRow& row, std::string_view name);

}  // namespace zelta::sim
