// Reading settings out of registry values, with the rules both deliverables share: a value that
// does not fit its field, or is of a type the field cannot take, leaves the field as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace zelta {

// A 32-bit setting: a REG_DWORD, or a 4-byte REG_BINARY, as it is; a string holding a decimal number
// (as an administrator may type "0" into a string value) as that number. Anything else: nullopt.
std::optional<std::uint32_t> ReadNumberValue(RegistryKey& key, std::string_view name);

// A text setting of `capacity` characters including the terminator: a REG_SZ, REG_EXPAND_SZ (not
// expanded) or the first string of a REG_MULTI_SZ, read up to its terminator or the end of its data.
// A text that would need more than `capacity` - 1 characters, or a value of another type: nullopt.
std::optional<std::string> ReadTextValue(RegistryKey& key, std::string_view name, std::size_t capacity);

// Sets a REG_DWORD.
Win32Error WriteNumberValue(RegistryKey& key, std::string_view name, std::uint32_t value);

// The decimal number a string holds: digits only, at most 4294967295.
std::optional<std::uint32_t> ParseDecimal(std::string_view text);

}  // namespace zelta
