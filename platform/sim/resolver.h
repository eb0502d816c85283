// The simulated Resolver: the machine's name service, for a process that started Winsock.
#pragma once

#include "platform/resolver.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimResolver final : public Resolver {
public:
    SimResolver(Machine& machine, const bool& winsockStarted, Faults& faults)
        : m_machine(machine), m_winsockStarted(winsockStarted), m_faults(faults) {}
    Win32Error Resolve(std::string_view hostName, Ipv4& out) override;

private:
    Machine& m_machine;
    const bool& m_winsockStarted;
    Faults& m_faults;
};

}  // namespace zelta::sim
