// DeviceIo: CreateFile on "\\.\<adapter name>" and DeviceIoControl, the road of every NDIS query.
// Declared here; the implementations come with switch discovery.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // IOCTL_NDIS_QUERY_GLOBAL_STATS for `oid` on the adapter's device. `out` receives at most
    // `capacity` bytes: exactly the byte count the driver reported, never more than the buffer.
    virtual Win32Error QueryNdisOid(std::string_view adapterName, std::uint32_t oid, std::size_t capacity,
                                    std::vector<std::uint8_t>& out) = 0;
};

}  // namespace zelta
