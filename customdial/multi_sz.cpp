// Walking and editing a REG_MULTI_SZ in whole UTF-16 characters, never past the value's bytes.
#include "customdial/multi_sz.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta {
namespace {

// The list as characters; an odd trailing byte is not a character.
std::u16string Characters(std::span<const std::uint8_t> block) {
    std::u16string out(block.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(block[2 * i] | (block[2 * i + 1] << 8));
    return out;
}

std::vector<std::uint8_t> Bytes(std::u16string_view characters) {
    std::vector<std::uint8_t> out;
    out.reserve(characters.size() * 2);
    for (const char16_t c : characters) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

// The strings of the list, without the closing empty string; a last string without its zero ends
// at the end of the data.
std::u16string WithoutClosing(std::u16string list) {
    while (!list.empty() && list.back() == u'\0') list.pop_back();
    return list;
}

}  // namespace

std::optional<std::size_t> FindInMultiSz(std::u16string_view needle, std::span<const std::uint8_t> block) {
    const std::u16string list = Characters(block);
    const std::string wanted = Utf16ToUtf8(needle);
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find(u'\0', at), list.size());
        if (EqualsNoCase(Utf16ToUtf8(std::u16string_view(list).substr(at, end - at)), wanted)) return at * 2;
        at = end + 1;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> AppendToMultiSz(std::span<const std::uint8_t> block, std::u16string_view path) {
    std::u16string list = WithoutClosing(Characters(block));
    if (!list.empty()) list.push_back(u'\0');  // the last string's terminator
    list.append(path);
    list.push_back(u'\0');
    list.push_back(u'\0');  // the closing zero
    return Bytes(list);
}

std::vector<std::uint8_t> RemoveFromMultiSz(std::span<const std::uint8_t> block, std::size_t offset, std::size_t length) {
    std::u16string list = WithoutClosing(Characters(block));
    const std::size_t at = offset / 2;
    if (at < list.size()) list.erase(at, std::min(length + 1, list.size() - at));
    list = WithoutClosing(list);
    if (!list.empty()) list.push_back(u'\0');
    list.push_back(u'\0');
    return Bytes(list);
}

bool IsEmptyMultiSz(std::span<const std::uint8_t> block) { return block.size() <= 2; }

}  // namespace zelta
