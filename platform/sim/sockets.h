// The simulated Sockets: listeners on the machine's ports and the connections peers make to them,
// on virtual time. The one peer there is, the scripted SecurID server, connects when a dial reaches
// IP projection (see SecurIdPeerConnects).
#pragma once

#include "platform/sim/code_page.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/scheduler.h"
#include "platform/sockets.h"

namespace zelta::sim {

class SimSockets final : public Sockets {
public:
    SimSockets(Machine& machine, Scheduler& scheduler, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults) {}
    Win32Error CreateListener(std::unique_ptr<Listener>& out) override;
    // The wire carries text in the machine's ANSI code page.
    std::string ToWireText(std::string_view utf8) override { return Utf8ToAnsi(m_machine.ansiCodePage, utf8); }
    std::string FromWireText(std::string_view wire) override { return AnsiToUtf8(m_machine.ansiCodePage, wire); }
    void ToWireSecret(const SecretBuffer& utf8, SecretBuffer& wire) override;

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
};

// At a dial's IP projection: the scripted SecurID server connects to port 2868 over the tunnel of
// `connection` (or from its LAN address) and starts its script, now or later as its moment says;
// refused when nothing listens there. Intruders of the moment connect too.
void SecurIdPeerConnects(Machine& machine, Scheduler& scheduler, const SimConnection& connection);

// When a dial has begun, before any tunnel: the peers and intruders whose moment that is connect
// to the machine's LAN address.
void SecurIdDialBegins(Machine& machine, Scheduler& scheduler, const SimConnection& connection);

}  // namespace zelta::sim
