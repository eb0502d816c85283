// Implements platform/remote_access.h with the wide Ras* calls.
#include "platform/win32/remote_access.h"

#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstring>
#include <memory>

#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

// The forms are named by their i686 ANSI sizes; hold the headers to those documented numbers.
#if defined(__i386__)
static_assert(sizeof(RASENTRYA) == static_cast<std::size_t>(RasEntryForm::WindowsXp));
static_assert(offsetof(RASENTRYA, dwfOptions2) == static_cast<std::size_t>(RasEntryForm::Windows2000));
#endif

// The same two forms in the wide layout of the ABI we are built for.
DWORD WideSize(RasEntryForm form) {
    return form == RasEntryForm::WindowsXp ? sizeof(RASENTRYW) : offsetof(RASENTRYW, dwfOptions2);
}

template <std::size_t N>
std::string Field(const wchar_t (&text)[N]) {
    return Narrow(std::wstring_view(text, wcsnlen(text, N)));
}

// Writes `value` into a fixed field, unless the field already holds that text: then its bytes stay as
// they are, so that what lies behind the terminator cannot make two equal entries differ.
template <std::size_t N>
void SetField(wchar_t (&field)[N], const std::string& value) {
    if (Field(field) == value) return;
    const std::wstring wide = Wide(value);
    std::memset(field, 0, sizeof field);
    std::memcpy(field, wide.data(), std::min(wide.size(), N - 1) * sizeof(wchar_t));
}

// One zeroed record of the largest form.
std::unique_ptr<RASENTRYW> NewRecord() {
    auto record = std::make_unique<RASENTRYW>();
    std::memset(record.get(), 0, sizeof(RASENTRYW));
    return record;
}

}  // namespace

Win32Error Win32RemoteAccess::ValidateEntryName(std::string_view entry) {
    return ::RasValidateEntryNameW(nullptr, Wide(entry).c_str());
}

Win32Error Win32RemoteAccess::GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) {
    auto record = NewRecord();
    record->dwSize = WideSize(form);
    DWORD size = record->dwSize;
    const DWORD rc = ::RasGetEntryPropertiesW(nullptr, Wide(entry).c_str(), record.get(), &size, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;

    RasEntry e;
    e.dwSize = form;
    e.dwfOptions = record->dwfOptions;
    e.szLocalPhoneNumber = Field(record->szLocalPhoneNumber);
    e.dwfNetProtocols = record->dwfNetProtocols;
    e.szDeviceType = Field(record->szDeviceType);
    e.szDeviceName = Field(record->szDeviceName);
    e.dwIdleDisconnectSeconds = record->dwIdleDisconnectSeconds;
    e.dwType = record->dwType;
    e.dwEncryptionType = record->dwEncryptionType;
    std::memcpy(e.guidId.data(), &record->guidId, e.guidId.size());
    e.szCustomDialDll = Field(record->szCustomDialDll);
    e.dwVpnStrategy = record->dwVpnStrategy;
    e.dwfOptions2 = form == RasEntryForm::WindowsXp ? record->dwfOptions2 : 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.get());
    e.opaque.assign(bytes, bytes + WideSize(form));
    out = std::move(e);
    return ERROR_SUCCESS;
}

Win32Error Win32RemoteAccess::SetEntryProperties(std::string_view entry, const RasEntry& value) {
    auto record = NewRecord();
    std::memcpy(record.get(), value.opaque.data(), std::min<std::size_t>(value.opaque.size(), sizeof(RASENTRYW)));
    record->dwSize = WideSize(value.dwSize);
    record->dwfOptions = value.dwfOptions;
    SetField(record->szLocalPhoneNumber, value.szLocalPhoneNumber);
    record->dwfNetProtocols = value.dwfNetProtocols;
    SetField(record->szDeviceType, value.szDeviceType);
    SetField(record->szDeviceName, value.szDeviceName);
    record->dwIdleDisconnectSeconds = value.dwIdleDisconnectSeconds;
    record->dwType = value.dwType;
    record->dwEncryptionType = value.dwEncryptionType;
    std::memcpy(&record->guidId, value.guidId.data(), value.guidId.size());
    SetField(record->szCustomDialDll, value.szCustomDialDll);
    record->dwVpnStrategy = value.dwVpnStrategy;
    if (value.dwSize == RasEntryForm::WindowsXp) record->dwfOptions2 = value.dwfOptions2;
    return ::RasSetEntryPropertiesW(nullptr, Wide(entry).c_str(), record.get(), record->dwSize, nullptr, 0);
}

Win32Error Win32RemoteAccess::EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) {
    count = 0;
    std::vector<RASDEVINFOW> devices(std::max<std::size_t>(capacity, 1));
    devices[0].dwSize = sizeof(RASDEVINFOW);
    DWORD bytes = static_cast<DWORD>(capacity * sizeof(RASDEVINFOW));
    DWORD found = 0;
    const DWORD rc = ::RasEnumDevicesW(devices.data(), &bytes, &found);
    if (rc == ERROR_BUFFER_TOO_SMALL) {
        count = found ? found : static_cast<std::uint32_t>(bytes / sizeof(RASDEVINFOW));
        out.clear();
        return rc;
    }
    if (rc != ERROR_SUCCESS) return rc;
    count = found;
    out.clear();
    for (DWORD i = 0; i < found && i < capacity; ++i)
        out.push_back(RasDevice{Field(devices[i].szDeviceType), Field(devices[i].szDeviceName)});
    return ERROR_SUCCESS;
}

Win32Error Win32RemoteAccess::DeleteEntry(std::string_view phonebook, std::string_view entry) {
    const std::wstring book = Wide(phonebook);
    return ::RasDeleteEntryW(book.empty() ? nullptr : book.c_str(), Wide(entry).c_str());
}

}  // namespace zelta::win32
