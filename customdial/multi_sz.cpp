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

// Where the list ends: at its first empty string (the closing zero), or at the end of the data when
// it has none. Windows reads no further, so nothing after it is found, and additions go before it.
std::size_t ListEnd(std::u16string_view list) {
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find(u'\0', at), list.size());
        if (end == at) return at;
        at = end + 1;
    }
    return list.size();
}

// The strings, each with its zero, followed by what lies behind them (the closing zero, and any bytes
// after it, kept as they were).
std::u16string Rejoined(std::u16string strings, std::u16string_view behind) {
    if (!strings.empty() && strings.back() != u'\0') strings.push_back(u'\0');  // a last string that ran to the end
    strings.append(behind.empty() ? std::u16string_view(u"\0", 1) : behind);
    return strings;
}

}  // namespace

std::optional<std::size_t> FindInMultiSz(std::u16string_view needle, std::span<const std::uint8_t> block,
                                         const SameText& same) {
    const std::u16string list = Characters(block);
    const std::size_t listEnd = ListEnd(list);
    std::size_t at = 0;
    while (at < listEnd) {
        const std::size_t end = std::min(list.find(u'\0', at), list.size());
        if (same(std::u16string_view(list).substr(at, end - at), needle)) return at * 2;
        at = end + 1;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> AppendToMultiSz(std::span<const std::uint8_t> block, std::u16string_view path) {
    const std::u16string list = Characters(block);
    const std::size_t end = ListEnd(list);
    std::u16string strings = list.substr(0, end);
    if (!strings.empty() && strings.back() != u'\0') strings.push_back(u'\0');
    strings.append(path);
    return Bytes(Rejoined(std::move(strings), std::u16string_view(list).substr(end)));
}

std::vector<std::uint8_t> RemoveFromMultiSz(std::span<const std::uint8_t> block, std::size_t offset) {
    const std::u16string list = Characters(block);
    const std::size_t end = ListEnd(list);
    std::u16string strings = list.substr(0, end);
    const std::size_t at = offset / 2;
    if (at < strings.size()) strings.erase(at, std::min(strings.find(u'\0', at), strings.size() - 1) + 1 - at);
    return Bytes(Rejoined(std::move(strings), std::u16string_view(list).substr(end)));
}

bool IsEmptyMultiSz(std::span<const std::uint8_t> block) { return block.size() <= 2; }

}  // namespace zelta
