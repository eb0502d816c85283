// NamedPipe: both ends of a named pipe. The client end opens the pipe and makes one transaction
// (write, read one reply) before it closes; the server end is the helper service's single instance, created with a security
// descriptor and served one client at a time. Implemented by platform/win32/named_pipe.cpp and
// platform/sim/named_pipe.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/principal.h"
#include "platform/win32_error.h"

namespace zelta {

namespace pipe_wait {
inline constexpr std::uint32_t kNoWait = 1;  // NMPWAIT_NOWAIT: fail at once when every instance is busy
}

namespace pipe_error {
inline constexpr Win32Error kBrokenPipe = 109;        // the other end went away
inline constexpr Win32Error kSemTimeout = 121;        // waited `wait` ms and the pipe stayed busy
inline constexpr Win32Error kWaitTimeout = 258;       // nothing came within the time asked for
inline constexpr Win32Error kOperationAborted = 995;  // a service control arrived while waiting
}  // namespace pipe_error

// Access rights on a pipe, as the FILE_* bits of Windows.
namespace pipe_access {
inline constexpr std::uint32_t kCreateInstance = 0x00000004;  // FILE_CREATE_PIPE_INSTANCE (= FILE_APPEND_DATA)
inline constexpr std::uint32_t kFullControl = 0x001F01FF;     // FILE_ALL_ACCESS
// FILE_GENERIC_READ | FILE_GENERIC_WRITE without FILE_CREATE_PIPE_INSTANCE: a client's rights.
inline constexpr std::uint32_t kReadWrite = 0x0012019B;
// What a client end opens with: FILE_GENERIC_READ (READ_CONTROL for the owner check among it),
// FILE_WRITE_DATA, and FILE_WRITE_ATTRIBUTES for switching to message mode. Not GENERIC_WRITE:
// that maps to FILE_APPEND_DATA too, which is the right to create an instance of the pipe.
inline constexpr std::uint32_t kClientOpen = 0x0012018B;
}  // namespace pipe_access

struct PipeAce {
    bool allow = true;  // false: an access-denied entry
    Principal who = Principal::Everyone;
    std::uint32_t access = 0;
};

// A security descriptor: an owner and a DACL checked in order (deny entries first). Without an owner
// the creator's own account owns the pipe; a process may name only itself or a group it belongs to
// (the system account may name any), or the creation fails with ERROR_INVALID_OWNER (1307).
struct PipeSecurity {
    std::optional<Principal> owner;
    std::vector<PipeAce> dacl;
};

// Who is at the other end of a server pipe, as learnt by impersonating the client.
struct PipeClient {
    std::string account;       // "DOMAIN\name" on Windows
    std::uint32_t session = 0;  // the Terminal Services session the client runs in
    bool network = false;       // the client's token carries the NETWORK group: it came from another machine
};

// One connected client of a server pipe. The destructor disconnects it and frees the instance.
class PipeConnection {
public:
    virtual ~PipeConnection() = default;

    // Reads one message of at most `capacity` bytes. kSuccess; kMoreData with the first `capacity`
    // bytes when the message was longer (the rest is discarded); pipe_error::kWaitTimeout when no
    // message came within `timeoutMs`; pipe_error::kBrokenPipe when the client went away;
    // pipe_error::kOperationAborted when a control for this process's service came first.
    virtual Win32Error Read(std::size_t capacity, std::uint32_t timeoutMs, std::vector<std::uint8_t>& message) = 0;

    // Writes one message (the reply).
    virtual Win32Error Write(std::span<const std::uint8_t> message) = 0;

    // Impersonates the client for as long as it takes to read its account and session, then
    // reverts. Fails when the client went away or its token cannot be read.
    virtual Win32Error Identify(PipeClient& out) = 0;
};

// The server end of a pipe name: one instance, reused client after client.
class PipeServerEnd {
public:
    virtual ~PipeServerEnd() = default;

    // Waits for a client to connect. kSuccess with `out` set; pipe_error::kWaitTimeout after
    // `timeoutMs` without one; pipe_error::kOperationAborted as soon as a control for this process's
    // service is waiting (ServiceRuntime::TakeControl), so that a stop is never held up by a wait.
    virtual Win32Error WaitForClient(std::uint32_t timeoutMs, std::unique_ptr<PipeConnection>& out) = 0;
};

// A pipe's owner as its security descriptor names it.
using PipeOwner = ObjectOwner;

// The client end of a pipe, open and connected to an instance. The destructor closes it.
class PipeClientEnd {
public:
    virtual ~PipeClientEnd() = default;

    // GetSecurityInfo of the owner, through the handle (opened with READ_CONTROL).
    virtual Win32Error Owner(PipeOwner& out) = 0;

    // Switches to message mode, sends `request` and reads one reply of at most `replyCapacity`
    // bytes into `reply`: kSuccess, or kMoreData with the first `replyCapacity` bytes when the
    // reply was longer. Blocks until the reply comes.
    virtual Win32Error Transact(std::span<const std::uint8_t> request, std::size_t replyCapacity,
                                std::vector<std::uint8_t>& reply) = 0;
};

class NamedPipe {
public:
    virtual ~NamedPipe() = default;

    // The client end: opens the pipe `name` with pipe_access::kClientOpen at identification level
    // (the server may learn who the client is, never act as it), waiting up to `wait` ms (or not at
    // all with pipe_wait::kNoWait) for a free instance. Returns kSuccess with `out` set;
    // kFileNotFound when no server listens; kAccessDenied when the pipe's security refuses this
    // client; kPipeBusy (no wait) or pipe_error::kSemTimeout (waited) when every instance stayed busy.
    virtual Win32Error Open(std::string_view name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) = 0;

    // The server end: CreateNamedPipe with FILE_FLAG_FIRST_PIPE_INSTANCE, message mode, one instance
    // and `security`. Fails (kAccessDenied or kPipeBusy, as the system words it) when another process
    // created the name first: the caller must never serve under a name it does not own.
    virtual Win32Error CreateServer(std::string_view name, const PipeSecurity& security,
                                    std::unique_ptr<PipeServerEnd>& out) = 0;
};

}  // namespace zelta
