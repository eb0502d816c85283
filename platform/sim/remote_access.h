// The simulated RemoteAccess: the machine's default phonebook and its devices.
#pragma once

#include "platform/remote_access.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"

namespace zelta::sim {

class SimRemoteAccess final : public RemoteAccess {
public:
    SimRemoteAccess(Machine& machine, Faults& faults) : m_machine(machine), m_faults(faults) {}
    Win32Error ValidateEntryName(std::string_view entry) override;
    Win32Error GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) override;
    Win32Error SetEntryProperties(std::string_view entry, const RasEntry& value) override;
    Win32Error EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) override;
    Win32Error DeleteEntry(std::string_view entry) override;

private:
    bool KnowsForm(RasEntryForm form) const;
    Machine& m_machine;
    Faults& m_faults;
};

}  // namespace zelta::sim
