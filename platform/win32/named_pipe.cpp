// Implements platform/named_pipe.h with CallNamedPipeW.
#include "platform/win32/named_pipe.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace zelta::win32 {

Win32Error Win32NamedPipe::Transact(std::string_view name, std::span<const std::uint8_t> request,
                                    std::size_t replyCapacity, std::uint32_t wait, std::vector<std::uint8_t>& reply) {
    std::vector<std::uint8_t> buffer(replyCapacity);
    std::vector<std::uint8_t> out(request.begin(), request.end());  // CallNamedPipe takes a non-const buffer
    DWORD read = 0;
    Win32Error rc = ERROR_SUCCESS;
    if (!::CallNamedPipeW(Wide(name).c_str(), out.data(), static_cast<DWORD>(out.size()), buffer.data(),
                          static_cast<DWORD>(buffer.size()), &read, wait)) {
        rc = ::GetLastError();
        if (rc != ERROR_MORE_DATA) return rc;
    }
    buffer.resize(std::min<std::size_t>(read, replyCapacity));
    reply = std::move(buffer);
    return rc;
}

}  // namespace zelta::win32
