// The dialer's side of the SecurID exchange when something on the way fails: no listener, a socket
// that cannot be made, bound or listened on, an accept or getsockname that fails, no tunnel address.
#include <gtest/gtest.h>

#include "dialer/dialer_dialog.h"
#include "dialer/securid/securid_exchange.h"
#include "tests/support/dialer_machine.h"
#include "platform/sim/sockets.h"

namespace zelta {
namespace {

using testing::DialerMachine;

class SecurIdChallengeTest : public ::testing::Test {
protected:
    SecurIdChallengeTest() {
        m.HelperService();
        m.StartDialer("SYSTEM");
        window = m.host.desktop().Top();
        connection.client = "10.9.9.9";
        connection.server = "10.1.0.1";
        connection.projected = true;
    }
    // Runs `action` on the dialer's thread and lets `ms` of virtual time pass for its waits.
    int OnDialer(std::function<int(DialerDialog&)> action, std::uint64_t ms = 0) {
        int result = 99;
        window->Post([&result, action](sim::SimWindow& w) { result = action(dynamic_cast<DialerDialog&>(w.controller())); });
        m.host.RunFor(ms);
        return result;
    }
    // The challenge through the dial's connection, as projection runs it.
    static int Exchange(DialerDialog& d, std::uint32_t tunnel) {
        return d.connection().securId().RunSecurIdChallenge({RasConnectionHandle{}, tunnel, d.settings().setupIp});
    }
    int Open() { return OnDialer([](DialerDialog& d) { return d.connection().securId().OpenSecurIdListener(); }); }
    int Challenge(std::uint32_t tunnel) {
        return OnDialer([tunnel](DialerDialog& d) { return Exchange(d, tunnel); }, 6000);
    }
    void PeerConnects() {
        m.host.machine().securIdPeer.connects = true;
        m.host.machine().securIdPeer.script = {{sim::SecurIdStep::Kind::Send, {3, 'P', 'I', 'N'}, 0, 0}};
        sim::SecurIdPeerConnects(m.host.machine(), m.host.scheduler(), connection);
    }
    bool Listening() { return m.host.machine().listeners.contains(2868); }
    static constexpr std::uint32_t kTunnel = 0x0909090A;  // 10.9.9.9 as it sits in memory

    DialerMachine m;
    sim::SimWindow* window = nullptr;
    sim::SimConnection connection;
};

TEST_F(SecurIdChallengeTest, WithoutAListenerTheChallengeFailsAtOnceAndSaysNothing) {
    EXPECT_EQ(Challenge(kTunnel), -1);
    EXPECT_EQ(m.LogText().find("SecurID"), std::string::npos);
    EXPECT_EQ(m.LogText().find("securid"), std::string::npos);
}

TEST_F(SecurIdChallengeTest, EachStepOfOpeningTheListenerHasItsOwnLine) {
    m.host.faults().Inject("socket", 10024, "", 1);
    EXPECT_EQ(Open(), -1);
    EXPECT_NE(m.LogText().find("Could not create socket for securid new pin mode\r\n"), std::string::npos);
    m.host.faults().Inject("bind", 10048, "2868", 1);
    EXPECT_EQ(Open(), -1);
    EXPECT_NE(m.LogText().find("Could not bind socket for securid new pin mode\r\n"), std::string::npos);
    m.host.faults().Inject("listen", 10055, "", 1);
    EXPECT_EQ(Open(), -1);
    EXPECT_NE(m.LogText().find("Could not listen socket for securid new pin mode\r\n"), std::string::npos);
    EXPECT_FALSE(Listening());
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(Open(), 0);  // a listener left from a dial that never reached projection gives way
    EXPECT_TRUE(Listening());
}

TEST_F(SecurIdChallengeTest, AFailedAcceptCountsAsNoChallengeAndClosesTheListener) {
    ASSERT_EQ(Open(), 0);
    PeerConnects();
    m.host.faults().Inject("accept", 10054, "", 1);
    EXPECT_EQ(Challenge(kTunnel), 0);
    EXPECT_NE(m.LogText().find("SecurID challenge accept failed, assuming no challenge."), std::string::npos);
    EXPECT_FALSE(Listening());
}

TEST_F(SecurIdChallengeTest, AFailedGetsocknameFailsAndWithoutATunnelAddressNobodyIsTalkedTo) {
    ASSERT_EQ(Open(), 0);
    PeerConnects();
    m.host.faults().Inject("getsockname", 10038, "", 1);
    EXPECT_EQ(Challenge(kTunnel), -1);
    EXPECT_NE(m.LogText().find("SecurID challenge failed in getsockname\r\n"), std::string::npos);
    EXPECT_FALSE(Listening());

    // No projection: the tunnel cannot be told, so the connection is turned away, the wait runs out
    // and the link stays up without a word read.
    ASSERT_EQ(Open(), 0);
    PeerConnects();
    EXPECT_EQ(Challenge(0), 0);
    EXPECT_NE(m.LogText().find("SecurID challenge from 10.1.0.1 to 10.9.9.9 refused: not the VPN server through the tunnel\r\n"),
              std::string::npos);
    EXPECT_NE(m.LogText().find("No SecurID challenge detected.\r\n"), std::string::npos);
    EXPECT_FALSE(m.host.machine().securIdPeer.last->toMachine.empty());  // the prompt was never read
}

TEST_F(SecurIdChallengeTest, StrangersAreTurnedAwayAndTheServerStillHasItsThreeSeconds) {
    ASSERT_EQ(Open(), 0);
    m.host.machine().securIdIntruders.push_back({Ipv4{{10, 1, 0, 50}}, sim::SecurIdMoment::AtProjection, {2, 'h', 'i'}, {}});
    m.host.machine().securIdIntruders.push_back({std::nullopt, sim::SecurIdMoment::AtProjection, {2, 'h', 'i'}, {}});
    m.host.AddAdapter({"{WLAN}", "Wireless LAN Adapter", {0, 1, 2, 3, 4, 5}, 3, 6, 0, {{"10.1.2.34", "255.255.0.0"}}, {}});
    sim::SecurIdPeerConnects(m.host.machine(), m.host.scheduler(), connection);
    int result = 99;
    window->Post([&result](sim::SimWindow& w) { result = Exchange(dynamic_cast<DialerDialog&>(w.controller()), kTunnel); });
    m.host.RunFor(2999);
    PeerConnects();  // the server, just in time
    m.host.RunFor(1000);
    sim::SimWindow* dialog = m.host.desktop().Top();
    ASSERT_NE(dialog, window);  // the server's prompt is up
    dialog->Post([](sim::SimWindow& w) { w.Command(dialog_result::kCancel); });
    m.host.RunFor(0);
    EXPECT_EQ(result, -1);
    const std::string log = m.LogText();
    EXPECT_NE(log.find("from 10.1.0.50 to 10.1.2.34 refused"), std::string::npos);
    EXPECT_NE(log.find("from 10.9.9.9 to 10.9.9.9 refused"), std::string::npos);
    EXPECT_NE(log.find("Starting SecurID challenge from 10.1.0.1\r\n"), std::string::npos);
    for (const auto& intruder : m.host.machine().securIdIntruders) EXPECT_TRUE(intruder.last->machineClosed);
}

TEST_F(SecurIdChallengeTest, NothingConnectingWithinThreeSecondsIsNoChallenge) {
    ASSERT_EQ(Open(), 0);
    int result = 99;
    window->Post([&result](sim::SimWindow& w) { result = Exchange(dynamic_cast<DialerDialog&>(w.controller()), kTunnel); });
    m.host.RunFor(2999);
    EXPECT_EQ(result, 99);  // still waiting for the server
    m.host.RunFor(1);
    EXPECT_EQ(result, 0);
    EXPECT_NE(m.LogText().find("No SecurID challenge detected.\r\n"), std::string::npos);
    EXPECT_FALSE(Listening());
}

}  // namespace
}  // namespace zelta
