// The "CustomDLL" list: a REG_MULTI_SZ of library paths in UTF-16LE, each string followed by a zero
// character and the list by one more. The stored bytes are outside data: a list without its closing
// zeros, with an odd byte count, or whose last string runs to the end is read without going past
// its bytes, and edits leave a properly closed list behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zelta {

// Whether two strings are the same text, as the system compares them (SystemInfo::SameTextNoCase).
using SameText = std::function<bool(std::u16string_view, std::u16string_view)>;

// The byte offset of the first string that is the same text as `needle`, or none.
std::optional<std::size_t> FindInMultiSz(std::u16string_view needle, std::span<const std::uint8_t> block,
                                         const SameText& same);

// The list with `path` added at its end. A value of 0 bytes is an empty list.
std::vector<std::uint8_t> AppendToMultiSz(std::span<const std::uint8_t> block, std::u16string_view path);

// The list without the string at byte `offset` (as FindInMultiSz found it), however long it is: the
// system may find a string the same text as one of another length.
std::vector<std::uint8_t> RemoveFromMultiSz(std::span<const std::uint8_t> block, std::size_t offset);

// Whether a list holds nothing but its closing zero (or less), so that the value should go.
bool IsEmptyMultiSz(std::span<const std::uint8_t> block);

}  // namespace zelta
