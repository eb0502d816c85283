// The dialer's side of the SecurID New PIN / Next PIN exchange: a listener opened when a dial
// starts, and at IP projection the wait for the server's connection, the check that it came
// through the tunnel, the first prompt and the dialog. Every wait blocks the window thread for a
// bounded time (3, 5 and 15 seconds).
#include "dialer/dialer_dialog.h"
#include "dialer/resource.h"
#include "dialer/securid/securid_dialog.h"

namespace zelta {
namespace {

constexpr std::uint16_t kSecurIdPort = 2868;
constexpr int kListenBacklog = 255;
constexpr std::uint32_t kConnectWaitSeconds = 3;
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
    listener->SetReuseAddress();  // a failure here shows up at bind
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

int DialerDialog::RunSecurIdChallenge(std::uint32_t tunnelAddress) {
    if (!m_securIdListener) return -1;
    Log& log = m_process.log;
    int result = 0;
    Ipv4 peer;
    std::unique_ptr<Connection> connection;
    if (m_securIdListener->WaitAcceptable(kConnectWaitSeconds) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "No SecurID challenge detected.\n");
    } else if (m_securIdListener->Accept(connection, peer) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "SecurID challenge accept failed, assuming no challenge.");
    } else {
        m_securIdConnection = std::move(connection);
        result = ChallengeUser(peer, tunnelAddress);
    }
    m_securIdConnection.reset();
    CloseSecurIdListener();
    return result;
}

int DialerDialog::ChallengeUser(Ipv4 peer, std::uint32_t tunnelAddress) {
    Log& log = m_process.log;
    SecurIdDialog dialog(log, m_process.platform.sockets, *m_securIdConnection);
    log.LogMessage(log_level::kMain, "Starting SecurID challenge from %s\n", peer.ToString().c_str());
    Ipv4 local;
    if (m_securIdConnection->LocalAddress(local) != err::kSuccess) {
        log.LogMessage(log_level::kMain, "SecurID challenge failed in getsockname\n");
        return -1;
    }
    // The listener takes connections on every interface; only one addressed to the tunnel's own
    // address has come through the IPsec-protected tunnel.
    if (tunnelAddress == 0 || local.NetworkOrderValue() != tunnelAddress) {
        log.LogMessage(log_level::kMain, "SecurID challenge failed, connect socket not IPSEC encrypted.\n");
        return -1;
    }
    if (dialog.ReceiveMessage(kFirstPromptWaitSeconds) < 0) return -1;
    if (m_process.platform.dialogs.DoModal(IDD_SECURID, dialog) == dialog_result::kOk) {
        log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode OK\n");
        return 0;
    }
    log.LogMessage(log_level::kMain, "SecurID New/Next PIN mode Failed\n");
    return -1;
}

}  // namespace zelta
