// The SecurID exchange: the listener, the wait for the server through the tunnel, the dialog.
#include "dialer/securid/securid_exchange.h"

#include "dialer/resource.h"
#include "dialer/securid/securid_dialog.h"

namespace zelta {
namespace {

constexpr int kListenBacklog = 255;
constexpr std::uint32_t kConnectWaitMs = 3000;
constexpr std::uint32_t kFirstPromptWaitSeconds = 5;

}  // namespace

int SecurIdExchange::OpenSecurIdListener() {
    m_listener.reset();  // a dial that never reached projection left it open
    std::unique_ptr<Listener> listener;
    if (m_sockets.CreateListener(listener) != err::kSuccess) {
        m_log.LogMessage(log_level::kMain, "Could not create socket for securid new pin mode\n");
        return -1;
    }
    // Exclusive: with the address shared, another program could bind the port too and take the
    // server's connection. A failure here shows up at bind.
    listener->SetExclusiveAddress();
    if (listener->Bind(kSecurIdPort) != err::kSuccess) {
        m_log.LogMessage(log_level::kMain, "Could not bind socket for securid new pin mode\n");
        return -1;
    }
    if (listener->Listen(kListenBacklog) != err::kSuccess) {
        m_log.LogMessage(log_level::kMain, "Could not listen socket for securid new pin mode\n");
        return -1;
    }
    m_listener = std::move(listener);
    return 0;
}

int SecurIdExchange::CloseSecurIdListener() {
    m_listener.reset();
    return 0;
}

// The VPN server may speak from its projected address or the configured one; either way it must
// have reached the tunnel's own address, which only a connection through the tunnel does.
bool SecurIdExchange::IsVpnServerThroughTunnel(Ipv4 peer, Ipv4 local, const ChallengeTunnel& tunnel) {
    if (tunnel.address == 0 || local.NetworkOrderValue() != tunnel.address) return false;
    std::string client, server;
    const bool projected = m_remoteAccess.GetIpProjection(tunnel.connection, client, server) == err::kSuccess;
    return (projected && Ipv4::Parse(server) == peer) || Ipv4::Parse(tunnel.configuredServer) == peer;
}

int SecurIdExchange::RunSecurIdChallenge(const ChallengeTunnel& tunnel) {
    if (!m_listener) return -1;
    int result = 0;
    // Strangers are turned away without ending anything; the server has the same 3 seconds.
    for (const std::uint32_t start = m_clock.TickCount();;) {
        const std::uint32_t elapsed = m_clock.TickCount() - start;
        if (elapsed >= kConnectWaitMs || m_listener->WaitAcceptable(kConnectWaitMs - elapsed) != err::kSuccess) {
            m_log.LogMessage(log_level::kMain, "No SecurID challenge detected.\n");
            break;
        }
        Ipv4 peer;
        std::unique_ptr<Connection> connection;
        if (m_listener->Accept(connection, peer) != err::kSuccess) {
            m_log.LogMessage(log_level::kMain, "SecurID challenge accept failed, assuming no challenge.");
            break;
        }
        connection->SetAbortiveClose();  // no TIME_WAIT holding the port after the exchange
        Ipv4 local;
        if (connection->LocalAddress(local) != err::kSuccess) {
            m_log.LogMessage(log_level::kMain, "SecurID challenge failed in getsockname\n");
            result = -1;
            break;
        }
        if (!IsVpnServerThroughTunnel(peer, local, tunnel)) {
            m_log.LogMessage(log_level::kMain,
                             "SecurID challenge from %s to %s refused: not the VPN server through the tunnel\n",
                             peer.ToString().c_str(), local.ToString().c_str());
            continue;
        }
        result = ChallengeUser(*connection, peer);
        break;
    }
    CloseSecurIdListener();
    return result;
}

int SecurIdExchange::ChallengeUser(Connection& connection, Ipv4 peer) {
    SecurIdDialog dialog(m_log, m_sockets, connection);
    m_log.LogMessage(log_level::kMain, "Starting SecurID challenge from %s\n", peer.ToString().c_str());
    if (dialog.ReceiveMessage(kFirstPromptWaitSeconds) < 0) return -1;
    if (m_dialogs.DoModal(IDD_SECURID, dialog) == dialog_result::kOk) {
        m_log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode OK\n");
        return 0;
    }
    m_log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode Failed\n");
    return -1;
}

}  // namespace zelta
