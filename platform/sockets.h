// Sockets: the TCP listener of the SecurID exchange. Declared here; Winsock, BSD and simulated
// implementations come with the SecurID work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/ipv4.h"
#include "platform/win32_error.h"

namespace zelta {

class Connection {
public:
    virtual ~Connection() = default;  // closes the socket
    // Waits up to `seconds` for bytes; kTimeout when none came.
    virtual Win32Error WaitReadable(std::uint32_t seconds) = 0;
    // One recv of at most `capacity` bytes; an empty `out` means the peer closed.
    virtual Win32Error Receive(std::size_t capacity, std::vector<std::uint8_t>& out) = 0;
    // One send.
    virtual Win32Error Send(std::span<const std::uint8_t> bytes) = 0;
    // getsockname: the local address of the connection.
    virtual Win32Error LocalAddress(Ipv4& out) = 0;
};

class Listener {
public:
    virtual ~Listener() = default;  // closes the socket
    // Waits up to `seconds` for a connection; kTimeout when none came.
    virtual Win32Error WaitAcceptable(std::uint32_t seconds) = 0;
    virtual Win32Error Accept(std::unique_ptr<Connection>& out, Ipv4& peer) = 0;
};

class Sockets {
public:
    virtual ~Sockets() = default;
    // socket, SO_REUSEADDR, bind to any address on `port`, listen.
    virtual Win32Error Listen(std::uint16_t port, std::unique_ptr<Listener>& out) = 0;
};

}  // namespace zelta
