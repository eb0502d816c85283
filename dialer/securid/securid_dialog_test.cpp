// The SecurID framing over real loopback sockets (the BSD implementation): what one read takes in,
// what a send puts out, and that nothing from the peer can overrun the message buffer.
#include "dialer/securid/securid_dialog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/settings_machine.h"
#include "platform/bsd/stream_sockets.h"

namespace zelta {
namespace {

// The server's end: a plain socket connected to the listener, which the test writes and reads.
class Peer {
public:
    explicit Peer(std::uint16_t port) : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Peer() { Close(); }
    void Send(const std::vector<std::uint8_t>& bytes) const {
        ASSERT_EQ(::send(m_socket, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    std::vector<std::uint8_t> ReceiveAll(std::size_t expected) const {
        std::vector<std::uint8_t> out;
        std::uint8_t chunk[512];
        while (out.size() < expected) {
            const ssize_t got = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (got <= 0) break;
            out.insert(out.end(), chunk, chunk + got);
        }
        return out;
    }
    void Close() {
        if (m_socket >= 0) ::close(m_socket);
        m_socket = -1;
    }
    bool connected = false;

private:
    int m_socket;
};

// A listener on a free loopback port (never the fixed 2868, so parallel runs do not collide), the
// accepted connection, and the dialog's framing on it.
class SecurIdFramingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.log.Enable("C:\\Dialer");
        ASSERT_EQ(sockets.CreateListener(listener), err::kSuccess);
        ASSERT_EQ(listener->SetExclusiveAddress(), err::kSuccess);
        ASSERT_EQ(listener->Bind(0), err::kSuccess);
        ASSERT_EQ(listener->Listen(255), err::kSuccess);
        std::uint16_t port = 0;
        ASSERT_EQ(listener->LocalPort(port), err::kSuccess);
        peer = std::make_unique<Peer>(port);
        ASSERT_TRUE(peer->connected);
        ASSERT_EQ(listener->WaitAcceptable(5000), err::kSuccess);
        Ipv4 from;
        ASSERT_EQ(listener->Accept(connection, from), err::kSuccess);
        EXPECT_EQ(from.ToString(), "127.0.0.1");
        dialog = std::make_unique<SecurIdDialog>(m.log, sockets, *connection);
    }

    static std::vector<std::uint8_t> Message(const std::string& text) {
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(text.size())};
        bytes.insert(bytes.end(), text.begin(), text.end());
        return bytes;
    }

    testing::SettingsMachine m;
    bsd::BsdSockets sockets;
    std::unique_ptr<Listener> listener;
    std::unique_ptr<Peer> peer;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<SecurIdDialog> dialog;
};

TEST_F(SecurIdFramingTest, AWholeMessageIsTakenInByOneRead) {
    Ipv4 local;
    ASSERT_EQ(connection->LocalAddress(local), err::kSuccess);
    EXPECT_EQ(local.ToString(), "127.0.0.1");
    peer->Send(Message("0123456789"));
    EXPECT_EQ(dialog->ReceiveMessage(5), 11);
    EXPECT_EQ(dialog->Prompt(), "0123456789");
    // An empty first prompt is a message too; a lone 00 is the verdict that accepts.
    peer->Send({0});
    EXPECT_EQ(dialog->ReceiveMessage(5), 1);
    EXPECT_EQ(dialog->Prompt(), "");
}

TEST_F(SecurIdFramingTest, SplitShortSurplusOrClosedMessagesFail) {
    peer->Send({10, '0', '1', '2', '3'});  // the rest comes after this read
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);
    peer->Send({'4', '5', '6', '7', '8', '9'});
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);  // a tail without its length byte
    std::vector<std::uint8_t> shortMessage{20};
    shortMessage.insert(shortMessage.end(), 15, 'x');
    peer->Send(shortMessage);
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);
    auto two = Message("one");
    const auto second = Message("two");
    two.insert(two.end(), second.begin(), second.end());
    peer->Send(two);
    ::usleep(50 * 1000);  // both in the receive buffer before the read
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);
    peer->Close();
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);
}

TEST_F(SecurIdFramingTest, TheLongestMessagesStayInsideTheBuffer) {
    const std::string longest(254, 'p');
    peer->Send(Message(longest));
    EXPECT_EQ(dialog->ReceiveMessage(5), 255);
    EXPECT_EQ(dialog->Prompt(), longest);
    // A length byte of 255 needs 256 bytes, one more than a read takes.
    std::vector<std::uint8_t> tooLong{255};
    tooLong.insert(tooLong.end(), 255, 'q');
    peer->Send(tooLong);
    ::usleep(50 * 1000);
    EXPECT_EQ(dialog->ReceiveMessage(5), -1);
    EXPECT_LE(dialog->Prompt().size(), 254u);
}

TEST_F(SecurIdFramingTest, APeerThatNeverSpeaksTimesOut) {
    EXPECT_EQ(dialog->ReceiveMessage(1), -1);
    EXPECT_NE(m.LogText().find("SecurID challenge failed, select timed out"), std::string::npos);
}

TEST_F(SecurIdFramingTest, AnswersAreFramedAndCut) {
    EXPECT_EQ(dialog->SendText(""), 2);
    EXPECT_EQ(peer->ReceiveAll(2), (std::vector<std::uint8_t>{1, 0}));
    EXPECT_EQ(dialog->SendText("1234"), 5);
    EXPECT_EQ(peer->ReceiveAll(5), (std::vector<std::uint8_t>{4, '1', '2', '3', '4'}));
    const std::string typed(300, '7');
    EXPECT_EQ(dialog->SendText(typed), 255);
    const auto sent = peer->ReceiveAll(255);
    ASSERT_EQ(sent.size(), 255u);
    EXPECT_EQ(sent[0], 0xFE);
    EXPECT_EQ(std::string(sent.begin() + 1, sent.end()), typed.substr(0, 254));
}

TEST(BsdSockets, ASecondListenerOnATakenPortCannotBind) {
    bsd::BsdSockets sockets;
    std::unique_ptr<Listener> first, second;
    ASSERT_EQ(sockets.CreateListener(first), err::kSuccess);
    ASSERT_EQ(first->Bind(0), err::kSuccess);
    ASSERT_EQ(first->Listen(1), err::kSuccess);
    std::uint16_t port = 0;
    ASSERT_EQ(first->LocalPort(port), err::kSuccess);
    ASSERT_EQ(sockets.CreateListener(second), err::kSuccess);
    second->SetExclusiveAddress();
    EXPECT_EQ(second->Bind(port), wsa::kAddressInUse);
    EXPECT_EQ(first->WaitAcceptable(0), err::kTimeout);
}

}  // namespace
}  // namespace zelta
