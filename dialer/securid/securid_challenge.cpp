// The dialer's side of the SecurID New PIN / Next PIN exchange: a listener opened when a dial
// starts, on a port no other program can share, and at IP projection the wait for the server's
// connection through the tunnel (anybody else is turned away), the first prompt and the dialog.
// Every wait blocks the window thread for a bounded time (3, 5 and 15 seconds).
#include "dialer/dialer_dialog.h"
#include "dialer/resource.h"
#include "dialer/securid/securid_dialog.h"

namespace zelta {
namespace {

constexpr int kListenBacklog = 255;
constexpr std::uint32_t kConnectWaitMs = 3000;
constexpr std::uint32_t kFirstPromptWaitSeconds = 5;

}  // namespace

int DialerDialog::OpenSecurIdListener() {
    Log& log = m_process.log;
    m_securIdListener.reset();  // a dial that never reached projection left it open
    std::unique_ptr<Listener> listener;
    if (m_process.platform.sockets.CreateListener(listener) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Could not create socket for securid new pin mode\n");
        return -1;
    }
    // Exclusive: with the address shared, another program could bind the port too and take the
    // server's connection. A failure here shows up at bind.
    listener->SetExclusiveAddress();
    if (listener->Bind(kSecurIdPort) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Could not bind socket for securid new pin mode\n");
        return -1;
    }
    if (listener->Listen(kListenBacklog) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "Could not listen socket for securid new pin mode\n");
        return -1;
    }
    m_securIdListener = std::move(listener);
    return 0;
}

int DialerDialog::CloseSecurIdListener() {
    m_securIdListener.reset();
    return 0;
}

// The VPN server may speak from its projected address or the configured one; either way it must
// have reached the tunnel's own address, which only a connection through the tunnel does.
bool DialerDialog::IsVpnServerThroughTunnel(Ipv4 peer, Ipv4 local, std::uint32_t tunnelAddress) {
    if (tunnelAddress == 0 || local.NetworkOrderValue() != tunnelAddress) return false;
    std::string client, server;
    const bool projected =
        m_process.platform.remoteAccess.GetIpProjection(m_process.g_hdl, client, server) == err::kSuccess;
    return (projected && Ipv4::Parse(server) == peer) || Ipv4::Parse(m_settings.setupIp) == peer;
}

int DialerDialog::RunSecurIdChallenge(std::uint32_t tunnelAddress) {
    if (!m_securIdListener) return -1;
    Log& log = m_process.log;
    Clock& clock = m_process.platform.clock;
    int result = 0;
    // Strangers are turned away without ending anything; the server has the same 3 seconds.
    for (const std::uint32_t start = clock.TickCount();;) {
        const std::uint32_t elapsed = clock.TickCount() - start;
        if (elapsed >= kConnectWaitMs || m_securIdListener->WaitAcceptable(kConnectWaitMs - elapsed) != err::kSuccess) {
            log.LogMessage(log_level::kMain, "No SecurID challenge detected.\n");
            break;
        }
        Ipv4 peer;
        std::unique_ptr<Connection> connection;
        if (m_securIdListener->Accept(connection, peer) != err::kSuccess) {
            log.LogMessage(log_level::kMain, "SecurID challenge accept failed, assuming no challenge.");
            break;
        }
        connection->SetAbortiveClose();  // no TIME_WAIT holding the port after the exchange
        Ipv4 local;
        if (connection->LocalAddress(local) != err::kSuccess) {
            log.LogMessage(log_level::kMain, "SecurID challenge failed in getsockname\n");
            result = -1;
            break;
        }
        if (!IsVpnServerThroughTunnel(peer, local, tunnelAddress)) {
            log.LogMessage(log_level::kMain, "SecurID challenge from %s to %s refused: not the VPN server through the tunnel\n",
                           peer.ToString().c_str(), local.ToString().c_str());
            continue;
        }
        m_securIdConnection = std::move(connection);
        result = ChallengeUser(peer);
        break;
    }
    m_securIdConnection.reset();
    CloseSecurIdListener();
    return result;
}

int DialerDialog::ChallengeUser(Ipv4 peer) {
    Log& log = m_process.log;
    SecurIdDialog dialog(log, m_process.platform.sockets, *m_securIdConnection);
    log.LogMessage(log_level::kMain, "Starting SecurID challenge from %s\n", peer.ToString().c_str());
    if (dialog.ReceiveMessage(kFirstPromptWaitSeconds) < 0) return -1;
    if (m_process.platform.dialogs.DoModal(IDD_SECURID, dialog) == dialog_result::kOk) {
        log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode OK\n");
        return 0;
    }
    log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode Failed\n");
    return -1;
}

}  // namespace zelta
