// The BSD socket calls behind platform/sockets.h. Winsock and the C library differ only in the
// handle type, how a socket is closed and where the error code is; SocketHandle hides all three.
#include "platform/bsd/stream_sockets.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zelta::bsd {
namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;
using SockLen = int;
void CloseNative(NativeSocket s) { ::closesocket(s); }
Win32Error LastError() { return static_cast<Win32Error>(::WSAGetLastError()); }
int SelectWidth(NativeSocket) { return 0; }  // ignored by Winsock
#else
using NativeSocket = int;
constexpr NativeSocket kNoSocket = -1;
using SockLen = socklen_t;
void CloseNative(NativeSocket s) { ::close(s); }
int SelectWidth(NativeSocket s) { return s + 1; }
// errno as the Winsock code of the same failure (Winsock numbers its codes 10000 + the BSD ones
// for most of them; the few the product tells apart are mapped by name).
Win32Error LastError() {
    switch (errno) {
        case EADDRINUSE: return wsa::kAddressInUse;
        case ECONNRESET: return wsa::kConnectionReset;
        case EBADF: case ENOTSOCK: return wsa::kNotSocket;
        case EINVAL: return wsa::kInvalidArgument;
        default: return 10000u + static_cast<Win32Error>(errno);
    }
}
#endif

// Owns one socket.
class SocketHandle {
public:
    explicit SocketHandle(NativeSocket s) : m_socket(s) {}
    ~SocketHandle() {
        if (m_socket != kNoSocket) CloseNative(m_socket);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    NativeSocket Get() const { return m_socket; }

    // select for reading on this one socket.
    Win32Error WaitReadable(std::uint32_t milliseconds) const {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval timeout{};
        timeout.tv_sec = static_cast<decltype(timeout.tv_sec)>(milliseconds / 1000);
        timeout.tv_usec = static_cast<decltype(timeout.tv_usec)>((milliseconds % 1000) * 1000);
        const int ready = ::select(SelectWidth(m_socket), &readable, nullptr, nullptr, &timeout);
        if (ready < 0) return LastError();
        return ready == 0 ? err::kTimeout : err::kSuccess;  // one socket: any readiness is ours
    }

    Win32Error LocalAddress(sockaddr_in& out) const {
        SockLen size = sizeof out;
        std::memset(&out, 0, sizeof out);
        if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&out), &size) != 0) return LastError();
        return err::kSuccess;
    }

private:
    NativeSocket m_socket;
};

Ipv4 FromSockaddr(const sockaddr_in& address) {
    Ipv4 out;
    std::memcpy(out.octets.data(), &address.sin_addr, 4);
    return out;
}

class BsdConnection final : public Connection {
public:
    explicit BsdConnection(NativeSocket s) : m_socket(s) {}

    Win32Error WaitReadable(std::uint32_t seconds) override {
        return m_socket.WaitReadable(std::min<std::uint32_t>(seconds, INT_MAX / 1000) * 1000);
    }

    Win32Error Receive(std::size_t capacity, std::vector<std::uint8_t>& out) override {
        out.assign(std::min<std::size_t>(capacity, INT_MAX), 0);
        const auto got = ::recv(m_socket.Get(), reinterpret_cast<char*>(out.data()), static_cast<int>(out.size()), 0);
        if (got < 0) {
            out.clear();
            return LastError();
        }
        out.resize(static_cast<std::size_t>(got));
        return err::kSuccess;
    }

    Win32Error Send(std::span<const std::uint8_t> bytes, std::size_t& sent) override {
        sent = 0;
        const auto put = ::send(m_socket.Get(), reinterpret_cast<const char*>(bytes.data()),
                                static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)), 0);
        if (put < 0) return LastError();
        sent = static_cast<std::size_t>(put);
        return err::kSuccess;
    }

    Win32Error LocalAddress(Ipv4& out) override {
        sockaddr_in address;
        if (const Win32Error e = m_socket.LocalAddress(address)) return e;
        out = FromSockaddr(address);
        return err::kSuccess;
    }

    Win32Error SetAbortiveClose() override {
        linger off{};
        off.l_onoff = 1;
        off.l_linger = 0;
        if (::setsockopt(m_socket.Get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&off), sizeof off) != 0)
            return LastError();
        return err::kSuccess;
    }

private:
    SocketHandle m_socket;
};

class BsdListener final : public Listener {
public:
    explicit BsdListener(NativeSocket s) : m_socket(s) {}

    Win32Error SetExclusiveAddress() override {
#ifdef _WIN32
        const int option = SO_EXCLUSIVEADDRUSE;
#else
        const int option = SO_REUSEADDR;
#endif
        const int on = 1;
        if (::setsockopt(m_socket.Get(), SOL_SOCKET, option, reinterpret_cast<const char*>(&on), sizeof on) != 0)
            return LastError();
        return err::kSuccess;
    }

    Win32Error Bind(std::uint16_t port) override {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return LastError();
        return err::kSuccess;
    }

    Win32Error Listen(int backlog) override {
        if (::listen(m_socket.Get(), backlog) != 0) return LastError();
        return err::kSuccess;
    }

    Win32Error LocalPort(std::uint16_t& out) override {
        sockaddr_in address;
        if (const Win32Error e = m_socket.LocalAddress(address)) return e;
        out = ntohs(address.sin_port);
        return err::kSuccess;
    }

    Win32Error WaitAcceptable(std::uint32_t milliseconds) override { return m_socket.WaitReadable(milliseconds); }

    Win32Error Accept(std::unique_ptr<Connection>& out, Ipv4& peer) override {
        sockaddr_in address{};
        SockLen size = sizeof address;
        const NativeSocket s = ::accept(m_socket.Get(), reinterpret_cast<sockaddr*>(&address), &size);
        if (s == kNoSocket) return LastError();
        out = std::make_unique<BsdConnection>(s);
        peer = FromSockaddr(address);
        return err::kSuccess;
    }

private:
    SocketHandle m_socket;
};

}  // namespace

Win32Error BsdSockets::CreateListener(std::unique_ptr<Listener>& out) {
    const NativeSocket s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNoSocket) return LastError();
    out = std::make_unique<BsdListener>(s);
    return err::kSuccess;
}

}  // namespace zelta::bsd
