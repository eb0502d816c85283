// Text conversions used on both sides of the seam. Text above the seam is UTF-8; the registry
// stores strings as UTF-16LE bytes, as Windows does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelta {

// UTF-8 to UTF-16 and back. Malformed input becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The same into a buffer the caller owns, and may wipe: `out` holds utf8.size() units, or
// 3 * utf16.size() bytes. Returns how many it wrote. Nothing else is allocated on the way.
std::size_t Utf8ToUtf16Into(std::string_view utf8, char16_t* out);
std::size_t Utf16ToUtf8Into(std::u16string_view utf16, char* out);

// The bytes Windows stores for a REG_SZ: UTF-16LE with its terminating zero.
std::vector<std::uint8_t> EncodeRegString(std::string_view utf8);

// Reads a REG_SZ / REG_EXPAND_SZ payload: up to its first zero character or the end of the data,
// whichever comes first (a value stored without a terminator is never read past its bytes). An odd
// trailing byte is not a character and is ignored.
std::u16string DecodeRegString16(std::span<const std::uint8_t> bytes);
std::string DecodeRegString(std::span<const std::uint8_t> bytes);

// REG_MULTI_SZ: each string followed by a zero, and one more zero at the end.
std::vector<std::uint8_t> EncodeRegMultiString(const std::vector<std::string>& strings);

// Case-insensitive comparison the way Windows compares registry, file and account names for the
// characters this product meets (ASCII letters fold; other characters compare exactly).
bool EqualsNoCase(std::string_view a, std::string_view b);
bool LessNoCase(std::string_view a, std::string_view b);

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return LessNoCase(a, b); }
};

}  // namespace zelta
