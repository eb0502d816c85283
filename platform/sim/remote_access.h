// The simulated RemoteAccess: the machine's phonebooks (the default one and any other path a caller
// names) and its devices.
#pragma once

#include <functional>

#include "platform/custom_dial.h"
#include "platform/remote_access.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/ui.h"

namespace zelta::sim {

class SimRemoteAccess final : public RemoteAccess {
public:
    SimRemoteAccess(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process,
                    Faults& faults)
        : m_machine(machine), m_desktop(desktop), m_scheduler(scheduler), m_process(process), m_faults(faults) {}
    Win32Error ValidateEntryName(std::string_view entry) override;
    Win32Error GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) override;
    Win32Error SetEntryProperties(std::string_view entry, const RasEntry& value) override;
    Win32Error EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) override;
    Win32Error DeleteEntry(std::string_view phonebook, std::string_view entry) override;
    Win32Error GetEntryDialParams(std::string_view phonebook, std::string_view entry, RasDialParams& out,
                                  bool& passwordSaved) override;
    Win32Error SetEntryDialParams(std::string_view phonebook, const RasDialParams& params, bool removePassword) override;
    Win32Error SetPresharedKey(std::string_view entry, const SecretBuffer& key) override;
    Win32Error Dial(const RasDialParams& params, bool customDial, WindowHandle notifier,
                    RasConnectionHandle& out) override;
    Win32Error DialWith(const RasDialExtensions& extensions, std::string_view phonebook, const RasDialParams& params,
                        RasNotifier notifier, RasConnectionHandle& out) override;
    Win32Error HangUp(RasConnectionHandle connection) override;
    Win32Error GetConnectStatus(RasConnectionHandle connection, std::uint32_t& state, Win32Error& error) override;
    Win32Error GetIpProjection(RasConnectionHandle connection, std::string& clientAddress,
                               std::string& serverAddress) override;
    Win32Error ConnectionStatistics(RasConnectionHandle connection, RasStatistics& out) override;
    Win32Error EnumConnections(RasConnForm form, std::size_t capacity, std::vector<RasConnection>& out) override;
    bool ErrorString(Win32Error code, std::string& out) override;

    // LoadLibrary of a custom dialer in this process: nullptr when the host knows no such image.
    using LibraryLoader = std::function<CustomDialLibrary*(std::string_view path)>;
    void SetLibraryLoader(LibraryLoader loader) { m_loadLibrary = std::move(loader); }

private:
    bool KnowsForm(RasEntryForm form) const;
    Win32Error StartDial(const Phonebook& book, const RasDialParams& params, WindowHandle notifier,
                         RasConnectionHandle& out);
    LibraryLoader m_loadLibrary;
    Machine& m_machine;
    Desktop& m_desktop;
    Scheduler& m_scheduler;
    const ProcessFacts& m_process;
    Faults& m_faults;
};

// The far end's side of a connection, shared by dials and by the scenario: bringing a connection up
// (its tunnel interface), losing it, and finding it.
SimConnection* FindConnection(Machine& machine, RasConnectionHandle handle);
// " in PATH" for the journal when a call named a phonebook other than the default one.
std::string InBook(std::string_view phonebook);
void ConnectionUp(Machine& machine, SimConnection& connection);
void ConnectionDown(Machine& machine, SimConnection& connection);

}  // namespace zelta::sim
