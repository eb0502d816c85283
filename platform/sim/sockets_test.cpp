// The simulated sockets and the scripted SecurID server: a stream that splits where the server
// paused, waits on virtual time, closes on both sides, and the listener's port.
#include "platform/sim/sockets.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_host.h"

namespace zelta::sim {
namespace {

std::vector<std::uint8_t> Message(const std::string& text) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(text.size())};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

class SimSocketsTest : public ::testing::Test {
protected:
    SimSocketsTest() {
        host.SetOsVersion(5, 1);
        host.SetInputDesktop("Default");
        AdapterInfo lan;
        lan.Index = 3;
        lan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};
        host.AddAdapter(lan);
        connection.client = "10.9.9.9";
        connection.server = "10.1.0.1";
        connection.projected = true;
        host.machine().securIdPeer.connects = true;
    }
    void Script(SecurIdStep step) { host.machine().securIdPeer.script.push_back(std::move(step)); }
    std::unique_ptr<Listener> Listen() {
        std::unique_ptr<Listener> listener;
        EXPECT_EQ(sockets().CreateListener(listener), err::kSuccess);
        EXPECT_EQ(listener->Bind(2868), err::kSuccess);
        EXPECT_EQ(listener->Listen(255), err::kSuccess);
        return listener;
    }
    std::unique_ptr<Connection> Accept(Listener& listener, Ipv4& peer) {
        std::unique_ptr<Connection> accepted;
        EXPECT_EQ(listener.WaitAcceptable(3000), err::kSuccess);
        EXPECT_EQ(listener.Accept(accepted, peer), err::kSuccess);
        return accepted;
    }
    Sockets& sockets() { return process.platform().sockets; }

    SimHost host;
    SimProcess& process = host.NewProcess("dial.exe", "SYSTEM", "Default");
    SimConnection connection;
};

TEST_F(SimSocketsTest, APromptSplitByTheServerIsReadInTwoPartsAndAnAnswerGetsTheVerdict) {
    Script({SecurIdStep::Kind::Send, Message("0123456789"), 5, 0});
    Script({SecurIdStep::Kind::Verdict, {0}, 0, 0});
    auto listener = Listen();
    SecurIdPeerConnects(host.machine(), host.scheduler(), connection);
    Ipv4 peer, local;
    auto accepted = Accept(*listener, peer);
    EXPECT_EQ(peer.ToString(), "10.1.0.1");
    ASSERT_EQ(accepted->LocalAddress(local), err::kSuccess);
    EXPECT_EQ(local.ToString(), "10.9.9.9");
    std::vector<std::uint8_t> got;
    ASSERT_EQ(accepted->Receive(255, got), err::kSuccess);
    EXPECT_EQ(got.size(), 5u);
    EXPECT_EQ(accepted->WaitReadable(0), err::kTimeout);  // the rest is half a second away
    EXPECT_EQ(accepted->WaitReadable(1), err::kSuccess);
    EXPECT_EQ(host.Now(), 500u);
    ASSERT_EQ(accepted->Receive(255, got), err::kSuccess);
    EXPECT_EQ(got.size(), 6u);

    std::size_t sent = 0;
    const std::vector<std::uint8_t> answer = Message("1234");
    ASSERT_EQ(accepted->Send(answer, sent), err::kSuccess);
    EXPECT_EQ(sent, 5u);
    EXPECT_EQ(accepted->WaitReadable(15), err::kSuccess);
    ASSERT_EQ(accepted->Receive(255, got), err::kSuccess);
    EXPECT_EQ(got, std::vector<std::uint8_t>{0});
    EXPECT_EQ(host.machine().securIdPeer.last->received, answer);
}

TEST_F(SimSocketsTest, AServerOnTheLanArrivesOnTheLanAddressAndACloseReadsAsTheEnd) {
    host.machine().securIdPeer.from = *Ipv4::Parse("10.1.0.50");
    Script({SecurIdStep::Kind::Close, {}, 0, 0});
    auto listener = Listen();
    SecurIdPeerConnects(host.machine(), host.scheduler(), connection);
    Ipv4 peer, local;
    auto accepted = Accept(*listener, peer);
    EXPECT_EQ(peer.ToString(), "10.1.0.50");
    ASSERT_EQ(accepted->LocalAddress(local), err::kSuccess);
    EXPECT_EQ(local.ToString(), "10.1.2.34");
    std::vector<std::uint8_t> got{1, 2, 3};
    EXPECT_EQ(accepted->WaitReadable(1), err::kSuccess);
    ASSERT_EQ(accepted->Receive(255, got), err::kSuccess);
    EXPECT_TRUE(got.empty());
}

TEST_F(SimSocketsTest, ThePortIsTakenWhileListenedOnAndNobodyIsThereAfterwards) {
    auto listener = Listen();
    std::unique_ptr<Listener> second;
    ASSERT_EQ(sockets().CreateListener(second), err::kSuccess);
    EXPECT_EQ(second->Bind(2868), wsa::kAddressInUse);
    EXPECT_EQ(listener->WaitAcceptable(3000), err::kTimeout);
    EXPECT_EQ(host.Now(), 3000u);
    listener.reset();
    EXPECT_FALSE(host.machine().listeners.contains(2868));
    SecurIdPeerConnects(host.machine(), host.scheduler(), connection);  // refused: nothing listens
    EXPECT_TRUE(host.machine().securIdPeer.last->received.empty());
    host.faults().Inject("bind", wsa::kAddressInUse, "2868");
    ASSERT_EQ(sockets().CreateListener(second), err::kSuccess);
    EXPECT_EQ(second->Bind(2868), wsa::kAddressInUse);
}

}  // namespace
}  // namespace zelta::sim
