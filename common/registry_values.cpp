// Typed reads and writes of registry settings.
#include "common/registry_values.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta {
namespace {

// Generous enough for any decimal number written as text (zero-padded too), small enough to bound the read.
constexpr std::size_t kNumberTextBytes = 256;

bool IsText(RegType type) {
    return type == RegType::String || type == RegType::ExpandString || type == RegType::MultiString;
}

std::uint32_t LittleEndian32(const std::vector<std::uint8_t>& d) {
    return static_cast<std::uint32_t>(d[0]) | (static_cast<std::uint32_t>(d[1]) << 8) |
           (static_cast<std::uint32_t>(d[2]) << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
}

}  // namespace

std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    // Leading zeros say nothing: only the significant digits count toward the ten a 32-bit value has.
    const std::size_t significant = std::min(text.find_first_not_of('0'), text.size());
    if (text.size() - significant > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> ReadNumberValue(RegistryKey& key, std::string_view name) {
    RegValue value;
    if (key.QueryValue(name, kNumberTextBytes, value) != err::kSuccess) return std::nullopt;
    if ((value.type == RegType::Dword || value.type == RegType::Binary) && value.data.size() == 4)
        return LittleEndian32(value.data);
    if (value.type == RegType::String || value.type == RegType::ExpandString)
        return ParseDecimal(DecodeRegString(value.data));
    return std::nullopt;
}

std::optional<std::string> ReadTextValue(RegistryKey& key, std::string_view name, std::size_t capacity) {
    if (capacity == 0) return std::nullopt;
    RegValue value;
    // Registry strings are UTF-16: `capacity` characters take twice as many bytes.
    if (key.QueryValue(name, capacity * 2, value) != err::kSuccess || !IsText(value.type)) return std::nullopt;
    const std::u16string text = DecodeRegString16(value.data);
    if (text.size() > capacity - 1) return std::nullopt;  // no room left for the terminator
    return Utf16ToUtf8(text);
}

Win32Error WriteNumberValue(RegistryKey& key, std::string_view name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return key.SetValue(name, RegType::Dword, bytes);
}

}  // namespace zelta
