// NamedPipe: both ends of a named pipe. The client end opens the pipe and makes one transaction
// (write, read one reply) before it closes; the server end is the helper service's: several
// instances under one security descriptor, each taking a client and its request on its own, handed
// to the server one at a time. Implemented by platform/win32/named_pipe.cpp and
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
// The thread could not stop impersonating a client (RevertToSelf failed); an application-defined
// code (bit 29), so that no system error is mistaken for it.
inline constexpr Win32Error kCannotRevert = 0x20000001;
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
    std::uint8_t inheritance = 0;  // OBJECT_INHERIT_ACE (1) | CONTAINER_INHERIT_ACE (2), for folders and keys
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
    bool ownAccount = false;    // the client's token user is the server process's own
};

// How a server end serves: how many instances may hold a client at once, the longest request it
// reads, and how long a connected client may stay silent before its instance is freed for others.
struct PipeServing {
    std::uint32_t instances = 8;
    std::size_t requestCapacity = 1024;
    std::uint32_t silentMs = 1000;
};

// One connected client of a server pipe. The destructor disconnects it and frees the instance.
class PipeConnection {
public:
    virtual ~PipeConnection() = default;

    // The client's first message, read before the connection was handed over: kSuccess; kMoreData
    // with the first PipeServing::requestCapacity bytes when it was longer (the rest is discarded);
    // pipe_error::kWaitTimeout when it said nothing for PipeServing::silentMs;
    // pipe_error::kBrokenPipe when it went away first.
    virtual Win32Error Read(std::vector<std::uint8_t>& message) = 0;

    // Writes one message (the reply).
    virtual Win32Error Write(std::span<const std::uint8_t> message) = 0;

    // Impersonates the client for as long as it takes to read its account and session, then
    // reverts. Fails when the client went away or its token cannot be read;
    // pipe_error::kCannotRevert when the thread is left acting as the client: the caller must serve
    // nobody any more.
    virtual Win32Error Identify(PipeClient& out) = 0;
};

// The server end of a pipe name: its instances, each reused client after client. A connection
// handed out must go before the server end does.
class PipeServerEnd {
public:
    virtual ~PipeServerEnd() = default;

    // Waits until some instance's client has sent its request, gone away or stayed silent too long
    // (Read tells which). kSuccess with `out` set; pipe_error::kWaitTimeout after `timeoutMs`
    // without one; pipe_error::kOperationAborted as soon as a control for this process's service is
    // waiting (ServiceRuntime::TakeControl), so that a stop is never held up by a wait. Other
    // instances go on taking clients meanwhile, and one that was answered is freed once its client
    // has read the reply, without holding up the server.
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

    // The server end: CreateNamedPipe with FILE_FLAG_FIRST_PIPE_INSTANCE for the first instance,
    // message mode, `serving.instances` instances and `security`. Fails (kAccessDenied or kPipeBusy,
    // as the system words it) when another process created the name first: the caller must never
    // serve under a name it does not own.
    virtual Win32Error CreateServer(std::string_view name, const PipeSecurity& security, const PipeServing& serving,
                                    std::unique_ptr<PipeServerEnd>& out) = 0;
};

}  // namespace zelta
