// Registry: the Reg* calls on HKEY_LOCAL_MACHINE (and HKEY_CURRENT_USER) and their subkeys.
// Implemented by platform/win32/registry.cpp and platform/sim/registry.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

enum class RegistryRoot { LocalMachine, CurrentUser };

// Value types, numbered as Windows numbers them.
enum class RegType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    Dword = 4,
    MultiString = 7,
};

// The rights a key is opened with. The simulated registry enforces them as Windows does: a key
// opened for Read refuses writes with kAccessDenied, one opened for SetValue refuses reads.
enum class RegAccess { Read, SetValue, Write, ReadWrite, All };

// A value as stored: its type and its raw bytes, unchanged (strings are UTF-16LE, see text.h).
struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;
};

// An open key; closing it is the destructor's job.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // Reads the value `name` ("" is the default value). `capacity` is the most bytes the caller
    // accepts. Returns kSuccess with `out` filled; kFileNotFound when there is no such value;
    // kMoreData when the value is larger than `capacity` (then `out` is left untouched);
    // kAccessDenied when the key was not opened for reading.
    virtual Win32Error QueryValue(std::string_view name, std::size_t capacity, RegValue& out) = 0;

    // Creates or replaces the value. kAccessDenied when the key was opened for reading only.
    virtual Win32Error SetValue(std::string_view name, RegType type, std::span<const std::uint8_t> data) = 0;

    // Removes the value; kFileNotFound when there was none.
    virtual Win32Error DeleteValue(std::string_view name) = 0;

    // The name of the subkey at `index` (in the registry's order); kNoMoreItems past the last.
    virtual Win32Error EnumSubKey(std::uint32_t index, std::string& name) = 0;

    // Deletes a subkey that has no subkeys of its own (RegDeleteKey's rule on Windows 2000).
    virtual Win32Error DeleteSubKey(std::string_view name) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key. kFileNotFound when it does not exist; `out` is set only on success.
    virtual Win32Error OpenKey(RegistryRoot root, std::string_view path, RegAccess access,
                               std::unique_ptr<RegistryKey>& out) = 0;

    // Opens the key, creating it and any missing parents first.
    virtual Win32Error CreateKey(RegistryRoot root, std::string_view path, RegAccess access,
                                 std::unique_ptr<RegistryKey>& out) = 0;

    // Makes the existing key the administrators': owner Administrators; the system account and
    // Administrators in full, Users to read; nothing inherited from above; all of it inherited by
    // its subkeys.
    virtual Win32Error ProtectKey(RegistryRoot root, std::string_view path) = 0;
};

}  // namespace zelta
