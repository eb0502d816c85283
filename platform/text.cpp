// Portable text conversions shared by the simulated and the real platform.
#include "platform/text.h"

#include <algorithm>

namespace zelta {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence starting at s[i]; advances i past it.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kReplacement;
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    static constexpr char32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

// Writes one code point as UTF-8 at out; returns the bytes written.
std::size_t PutUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::size_t Utf8ToUtf16Into(std::string_view utf8, char16_t* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {  // four bytes in, two units out: never more units than bytes
            const char32_t v = cp - 0x10000;
            out[n++] = static_cast<char16_t>(0xD800 + (v >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out[n++] = static_cast<char16_t>(cp);
        }
    }
    return n;
}

std::size_t Utf16ToUtf8Into(std::u16string_view utf16, char* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);  // two units, four bytes
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        n += PutUtf8(out + n, cp);
    }
    return n;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out(utf8.size(), u'\0');
    out.resize(Utf8ToUtf16Into(utf8, out.data()));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out(3 * utf16.size(), '\0');
    out.resize(Utf16ToUtf8Into(utf16, out.data()));
    return out;
}

std::vector<std::uint8_t> EncodeRegString(std::string_view utf8) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : Utf8ToUtf16(utf8)) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::u16string DecodeRegString16(std::span<const std::uint8_t> bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) break;
        out += c;
    }
    return out;
}

std::string DecodeRegString(std::span<const std::uint8_t> bytes) {
    return Utf16ToUtf8(DecodeRegString16(bytes));
}

std::vector<std::uint8_t> EncodeRegMultiString(const std::vector<std::string>& strings) {
    std::vector<std::uint8_t> bytes;
    for (const auto& s : strings) {
        auto one = EncodeRegString(s);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

bool LessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

}  // namespace zelta
