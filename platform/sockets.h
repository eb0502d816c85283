// Sockets: a TCP listener and the connections it accepts, IPv4 only, with select-style waits in
// whole seconds. What the SecurID exchange needs and nothing more. Implemented over the BSD socket
// API (Winsock on Windows, the C library elsewhere) and by the simulated host's scripted peer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ipv4.h"
#include "platform/secret.h"
#include "platform/win32_error.h"

namespace zelta {

// The port the campus's VPN server opens its SecurID New PIN exchange to, through the tunnel.
inline constexpr std::uint16_t kSecurIdPort = 2868;

// Winsock error codes (what WSAGetLastError reports) the product and its tests meet.
namespace wsa {
inline constexpr Win32Error kAddressInUse = 10048;    // WSAEADDRINUSE
inline constexpr Win32Error kConnectionReset = 10054;  // WSAECONNRESET
inline constexpr Win32Error kNotSocket = 10038;        // WSAENOTSOCK
inline constexpr Win32Error kInvalidArgument = 10022;  // WSAEINVAL
}  // namespace wsa

// One accepted TCP connection. The destructor closes the socket.
class Connection {
public:
    virtual ~Connection() = default;
    // select for reading: waits up to `seconds` (0: only looks) for bytes or the peer's close.
    // err::kTimeout when neither came.
    virtual Win32Error WaitReadable(std::uint32_t seconds) = 0;
    // One recv of at most `capacity` bytes, blocking until something arrives. An empty `out` with
    // success means the peer closed the connection.
    virtual Win32Error Receive(std::size_t capacity, std::vector<std::uint8_t>& out) = 0;
    // One send; `sent` is what it took, which may be fewer bytes than given.
    virtual Win32Error Send(std::span<const std::uint8_t> bytes, std::size_t& sent) = 0;
    // getsockname: the local address the peer connected to.
    virtual Win32Error LocalAddress(Ipv4& out) = 0;
    // SO_LINGER on with a time of 0: the close resets the connection instead of lingering in
    // TIME_WAIT, which would keep an exclusively used port from being bound again at once.
    virtual Win32Error SetAbortiveClose() = 0;
};

// A TCP socket on its way to listening, then listening. The destructor closes it.
class Listener {
public:
    virtual ~Listener() = default;
    // The port is this socket's alone: SO_EXCLUSIVEADDRUSE on Windows, where SO_REUSEADDR would let
    // another program bind the same port and take its connections; SO_REUSEADDR elsewhere, where no
    // second socket may listen on a port anyway and it only lets a closed connection's port go.
    virtual Win32Error SetExclusiveAddress() = 0;
    // bind to `port` on every local address (0: any free port).
    virtual Win32Error Bind(std::uint16_t port) = 0;
    virtual Win32Error Listen(int backlog) = 0;
    // The port it is bound to.
    virtual Win32Error LocalPort(std::uint16_t& out) = 0;
    // select for reading: waits up to `milliseconds` for a connection to accept; err::kTimeout when none.
    virtual Win32Error WaitAcceptable(std::uint32_t milliseconds) = 0;
    virtual Win32Error Accept(std::unique_ptr<Connection>& out, Ipv4& peer) = 0;
};

class Sockets {
public:
    virtual ~Sockets() = default;
    // socket(AF_INET, SOCK_STREAM, 0).
    virtual Win32Error CreateListener(std::unique_ptr<Listener>& out) = 0;
    // Text on the wire is in the system's ANSI code page; the product's text is UTF-8.
    virtual std::string ToWireText(std::string_view utf8) = 0;
    virtual std::string FromWireText(std::string_view wire) = 0;
    // The same for a secret (an answer to the PIN prompt), through buffers that are wiped; what
    // does not fit `wire` is cut at a whole character.
    virtual void ToWireSecret(const SecretBuffer& utf8, SecretBuffer& wire) = 0;
};

}  // namespace zelta
