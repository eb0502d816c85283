// SecurIdExchange: the dialer's side of the SecurID New PIN / Next PIN exchange. A listener is opened
// when a dial starts, on a port no other program can share; at IP projection the exchange waits for
// the server's connection through the tunnel (anybody else is turned away), reads the first prompt
// and lets the user answer in the SecurID dialog. Every wait blocks the window thread for a bounded
// time (3, 5 and 15 seconds).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/log.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/remote_access.h"
#include "platform/sockets.h"
#include "platform/ui.h"

namespace zelta {

// The tunnel a challenge must come through: the dial's connection (whose projection names the
// server), the tunnel's own address as it sits in memory (0: none), and the configured server.
struct ChallengeTunnel {
    RasConnectionHandle connection;
    std::uint32_t address = 0;
    std::string configuredServer;
};

class SecurIdExchange {
public:
    SecurIdExchange(Log& log, Sockets& sockets, Clock& clock, RemoteAccess& remoteAccess, DialogHost& dialogs)
        : m_log(log), m_sockets(sockets), m_clock(clock), m_remoteAccess(remoteAccess), m_dialogs(dialogs) {}

    // 0, or -1 when the listener could not be made, bound or listened on.
    int OpenSecurIdListener();
    // 0: no challenge came, or the user passed it; -1: it failed. The listener is closed after.
    int RunSecurIdChallenge(const ChallengeTunnel& tunnel);
    int CloseSecurIdListener();

private:
    bool IsVpnServerThroughTunnel(Ipv4 peer, Ipv4 local, const ChallengeTunnel& tunnel);
    int ChallengeUser(Connection& connection, Ipv4 peer);

    Log& m_log;
    Sockets& m_sockets;
    Clock& m_clock;
    RemoteAccess& m_remoteAccess;
    DialogHost& m_dialogs;
    std::unique_ptr<Listener> m_listener;  // from dial start to projection
};

}  // namespace zelta
