// NamedPipe: one CallNamedPipe transaction (connect, write, read one reply, close). Implemented by
// platform/win32/named_pipe.cpp and platform/sim/named_pipe.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

namespace pipe_wait {
inline constexpr std::uint32_t kNoWait = 1;  // NMPWAIT_NOWAIT: fail at once when every instance is busy
}

namespace pipe_error {
inline constexpr Win32Error kSemTimeout = 121;  // waited `wait` ms and the pipe stayed busy
}

class NamedPipe {
public:
    virtual ~NamedPipe() = default;

    // Sends `request` to the pipe `name` and reads one reply of at most `replyCapacity` bytes into
    // `reply`. `wait` is pipe_wait::kNoWait or milliseconds to wait for a free instance. Returns
    // kSuccess; kFileNotFound when no server listens; kPipeBusy (no wait) or pipe_error::kSemTimeout
    // (waited) when every instance stayed busy; kMoreData with the first `replyCapacity` bytes when
    // the reply was longer. The call blocks until the reply comes.
    virtual Win32Error Transact(std::string_view name, std::span<const std::uint8_t> request,
                                std::size_t replyCapacity, std::uint32_t wait, std::vector<std::uint8_t>& reply) = 0;
};

}  // namespace zelta
