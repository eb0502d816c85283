// The real NamedPipe: CallNamedPipe.
#pragma once

#include "platform/named_pipe.h"

namespace zelta::win32 {

class Win32NamedPipe final : public NamedPipe {
public:
    Win32Error Transact(std::string_view name, std::span<const std::uint8_t> request, std::size_t replyCapacity,
                        std::uint32_t wait, std::vector<std::uint8_t>& reply) override;
};

}  // namespace zelta::win32
