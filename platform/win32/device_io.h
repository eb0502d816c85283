// The real DeviceIo: CreateFile and DeviceIoControl.
#pragma once

#include "platform/device_io.h"

namespace zelta::win32 {

class Win32DeviceIo final : public DeviceIo {
public:
    Win32Error Open(std::string_view path, std::unique_ptr<Device>& out) override;
};

}  // namespace zelta::win32
