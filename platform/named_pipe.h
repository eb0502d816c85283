// NamedPipe: one CallNamedPipe transaction with the helper service. Declared here; the
// implementations come with the helper service requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

// The wait CallNamedPipe is given: NMPWAIT_NOWAIT, or a number of milliseconds.
struct PipeWait {
    static constexpr std::uint32_t kNoWait = 1;
    std::uint32_t value = kNoWait;
};

class NamedPipe {
public:
    virtual ~NamedPipe() = default;

    // Writes `request` to the pipe `name` and reads one reply of at most `replyCapacity` bytes.
    // Returns kSuccess, kFileNotFound when no server listens, kPipeBusy, kTimeout, or kMoreData
    // (with the first `replyCapacity` bytes) when the reply was longer.
    virtual Win32Error Transact(std::string_view name, std::span<const std::uint8_t> request,
                                std::size_t replyCapacity, PipeWait wait, std::vector<std::uint8_t>& reply) = 0;
};

}  // namespace zelta
