// Implements platform/device_io.h with CreateFileW and DeviceIoControl.
#include "platform/win32/device_io.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

class Win32Device final : public Device {
public:
    explicit Win32Device(HANDLE handle) : m_handle(handle) {}

    Win32Error QueryOid(std::uint32_t oid, std::size_t capacity, std::vector<std::uint8_t>& out) override {
        std::vector<std::uint8_t> buffer(capacity);
        DWORD returned = 0;
        DWORD in = oid;
        if (!::DeviceIoControl(m_handle.Get(), kIoctlNdisQueryGlobalStats, &in, sizeof in, buffer.data(),
                               static_cast<DWORD>(buffer.size()), &returned, nullptr))
            return ::GetLastError();
        buffer.resize(std::min<std::size_t>(returned, capacity));  // the driver's count is not trusted
        out = std::move(buffer);
        return ERROR_SUCCESS;
    }

private:
    UniqueFile m_handle;
};

}  // namespace

Win32Error Win32DeviceIo::Open(std::string_view path, std::unique_ptr<Device>& out) {
    HANDLE handle = ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return ::GetLastError();
    out = std::make_unique<Win32Device>(handle);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
