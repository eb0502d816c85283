// The simulated Wireless LAN API: what the machine's native Wi-Fi adapters tell, as a scenario set it.
#pragma once

#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/wireless_lan.h"

namespace zelta::sim {

class SimWirelessLan final : public WirelessLan {
public:
    SimWirelessLan(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}
    Win32Error CurrentLink(std::string_view adapterName, WlanLink& out) override;
    Win32Error BssList(std::string_view adapterName, std::vector<WlanBss>& out) override;

private:
    // The native adapter of that name, or the error the API gives instead.
    Win32Error Find(std::string_view adapterName, const SimAdapter*& out) const;

    Machine& m_machine;
    Faults& m_faults;
};

}  // namespace zelta::sim
