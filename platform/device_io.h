// DeviceIo: CreateFile on a device path ("\\.\<adapter name>") and DeviceIoControl, the road of every
// NDIS query. Implemented by platform/win32/device_io.cpp and platform/sim/device_io.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

inline constexpr std::uint32_t kIoctlNdisQueryGlobalStats = 0x00170002;

// An open device; the destructor closes it.
class Device {
public:
    virtual ~Device() = default;

    // IOCTL_NDIS_QUERY_GLOBAL_STATS for `oid`. `out` receives the bytes the driver reported, and never
    // more than `capacity` whatever count the driver claims. kInsufficientBuffer / kMoreData when the
    // answer does not fit, or the driver's own error.
    virtual Win32Error QueryOid(std::uint32_t oid, std::size_t capacity, std::vector<std::uint8_t>& out) = 0;
};

class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // CreateFile(path, no access rights, FILE_SHARE_READ, OPEN_EXISTING).
    virtual Win32Error Open(std::string_view path, std::unique_ptr<Device>& out) = 0;
};

}  // namespace zelta
