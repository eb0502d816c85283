// The SecurID framing over Winsock, under a real (Wine) Windows: a prompt in, an answer out, on a
// loopback connection accepted by the dialer's listener.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/log.h"
#include "dialer/securid/securid_dialog.h"
#include "platform/win32/win32_platform.h"

namespace zelta {
namespace {

TEST(SecurIdWinsock, APromptInAndAnAnswerOut) {
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    {
        win32::Win32Platform os;
        Log log(os.platform());
        Sockets& sockets = os.platform().sockets;
        std::unique_ptr<Listener> listener;
        ASSERT_EQ(sockets.CreateListener(listener), err::kSuccess);
        listener->SetExclusiveAddress();
        ASSERT_EQ(listener->Bind(0), err::kSuccess);
        ASSERT_EQ(listener->Listen(255), err::kSuccess);
        std::uint16_t port = 0;
        ASSERT_EQ(listener->LocalPort(port), err::kSuccess);
        EXPECT_EQ(listener->WaitAcceptable(0), err::kTimeout);

        const SOCKET server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listener->WaitAcceptable(5000), err::kSuccess);
        std::unique_ptr<Connection> connection;
        Ipv4 peer, local;
        ASSERT_EQ(listener->Accept(connection, peer), err::kSuccess);
        ASSERT_EQ(connection->LocalAddress(local), err::kSuccess);
        EXPECT_EQ(local.ToString(), "127.0.0.1");

        SecurIdDialog dialog(log, sockets, *connection);
        const char prompt[] = "\x0A" "Enter PIN:";
        ASSERT_EQ(::send(server, prompt, 11, 0), 11);
        EXPECT_EQ(dialog.ReceiveMessage(5), 11);
        EXPECT_EQ(dialog.Prompt(), "Enter PIN:");
        EXPECT_EQ(dialog.SendText(sockets.ToWireText("")), 2);
        EXPECT_EQ(dialog.SendText(sockets.ToWireText("2468")), 5);
        char answer[16] = {};
        int got = 0;
        while (got < 7) {
            const int n = ::recv(server, answer + got, sizeof answer - got, 0);
            if (n <= 0) break;
            got += n;
        }
        EXPECT_EQ(std::vector<char>(answer, answer + got), (std::vector<char>{1, 0, 4, '2', '4', '6', '8'}));
        ::closesocket(server);
        EXPECT_EQ(dialog.ReceiveMessage(5), -1);  // the server closed
    }
    ::WSACleanup();
}

TEST(SecurIdWinsock, ThePortIsTheListenersAloneAndFreeAgainRightAfterAnExchange) {
    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    {
        win32::Win32Platform os;
        Sockets& sockets = os.platform().sockets;
        std::unique_ptr<Listener> listener;
        ASSERT_EQ(sockets.CreateListener(listener), err::kSuccess);
        ASSERT_EQ(listener->SetExclusiveAddress(), err::kSuccess);
        ASSERT_EQ(listener->Bind(0), err::kSuccess);
        ASSERT_EQ(listener->Listen(255), err::kSuccess);
        std::uint16_t port = 0;
        ASSERT_EQ(listener->LocalPort(port), err::kSuccess);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);

        // Another program asking to share the address gets nothing.
        const SOCKET thief = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(thief, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
        EXPECT_NE(::bind(thief, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::closesocket(thief);

        // An exchange that the dialer ends, then a new listener on the same port at once.
        const SOCKET server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in loopback = address;
        loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(server, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback), 0);
        std::unique_ptr<Connection> connection;
        Ipv4 peer;
        ASSERT_EQ(listener->Accept(connection, peer), err::kSuccess);
        EXPECT_EQ(connection->SetAbortiveClose(), err::kSuccess);
        connection.reset();
        listener.reset();
        ::closesocket(server);
        ASSERT_EQ(sockets.CreateListener(listener), err::kSuccess);
        ASSERT_EQ(listener->SetExclusiveAddress(), err::kSuccess);
        EXPECT_EQ(listener->Bind(port), err::kSuccess);
    }
    ::WSACleanup();
}

}  // namespace
}  // namespace zelta
