// Implements platform/registry.h with the wide Reg* calls.
#include "platform/win32/registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM Sam(RegAccess access) {
    switch (access) {
        case RegAccess::Read: return KEY_READ;
        case RegAccess::SetValue: return KEY_SET_VALUE;
        case RegAccess::Write: return KEY_WRITE;
        case RegAccess::ReadWrite: return KEY_READ | KEY_WRITE;
        case RegAccess::All: return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : m_key(key) {}

    Win32Error QueryValue(std::string_view name, std::size_t capacity, RegValue& out) override {
        if (capacity > 0x7FFFFFFF) capacity = 0x7FFFFFFF;
        std::vector<std::uint8_t> buffer(capacity);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(capacity);
        const LONG rc = ::RegQueryValueExW(m_key.Get(), Wide(name).c_str(), nullptr, &type,
                                           capacity ? buffer.data() : nullptr, &size);
        if (rc != ERROR_SUCCESS) return static_cast<Win32Error>(rc);
        if (size > capacity) return ERROR_MORE_DATA;  // a zero capacity only asks for the size
        buffer.resize(size);
        out = RegValue{static_cast<RegType>(type), std::move(buffer)};
        return ERROR_SUCCESS;
    }

    Win32Error SetValue(std::string_view name, RegType type, std::span<const std::uint8_t> data) override {
        return static_cast<Win32Error>(::RegSetValueExW(m_key.Get(), Wide(name).c_str(), 0,
                                                        static_cast<DWORD>(type), data.data(),
                                                        static_cast<DWORD>(data.size())));
    }

    Win32Error DeleteValue(std::string_view name) override {
        return static_cast<Win32Error>(::RegDeleteValueW(m_key.Get(), Wide(name).c_str()));
    }

    Win32Error EnumSubKey(std::uint32_t index, std::string& name) override {
        wchar_t buffer[256];  // the longest key name Windows allows, and its terminator
        DWORD length = 256;
        const LONG rc = ::RegEnumKeyExW(m_key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) name = Narrow(std::wstring_view(buffer, length));
        return static_cast<Win32Error>(rc);
    }

    Win32Error DeleteSubKey(std::string_view name) override {
        return static_cast<Win32Error>(::RegDeleteKeyW(m_key.Get(), Wide(name).c_str()));
    }

private:
    UniqueHKey m_key;
};

}  // namespace

Win32Error Win32Registry::OpenKey(RegistryRoot root, std::string_view path, RegAccess access,
                                  std::unique_ptr<RegistryKey>& out) {
    HKEY key = nullptr;
    const LONG rc = ::RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, Sam(access), &key);
    if (rc == ERROR_SUCCESS) out = std::make_unique<Win32RegistryKey>(key);
    return static_cast<Win32Error>(rc);
}

Win32Error Win32Registry::CreateKey(RegistryRoot root, std::string_view path, RegAccess access,
                                    std::unique_ptr<RegistryKey>& out) {
    HKEY key = nullptr;
    const LONG rc = ::RegCreateKeyExW(RootKey(root), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      Sam(access), nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) out = std::make_unique<Win32RegistryKey>(key);
    return static_cast<Win32Error>(rc);
}

Win32Error Win32Registry::ProtectKey(RegistryRoot root, std::string_view path) {
    const std::string prefix = root == RegistryRoot::LocalMachine ? "MACHINE\\" : "CURRENT_USER\\";
    return ProtectForAdministrators(Wide(prefix + std::string(path)), SE_REGISTRY_KEY, KEY_ALL_ACCESS, KEY_READ);
}

}  // namespace zelta::win32
