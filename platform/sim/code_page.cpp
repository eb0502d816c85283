// Windows-1252 by its table; 932 through the C library's CP932 converter, one character at a time so
// that a character without a mapping costs only itself.
#include "platform/sim/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "platform/text.h"

namespace zelta::sim {
namespace {

// 0x80 to 0x9F of Windows-1252; the five bytes it leaves undefined map to the same C1 code points,
// as MultiByteToWideChar maps them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t Decode1252(std::uint8_t byte) {
    return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

std::string Encode1252(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = static_cast<char>(c);
        } else {
            for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
                if (kWindows1252High[i] == c) byte = static_cast<char>(0x80 + i);
        }
        out += byte;
    }
    return out;
}

struct IconvCloser {
    void operator()(iconv_t cd) const { ::iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Converter OpenConverter(const char* to, const char* from) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("the C library cannot convert ") + from + " to " + to);
    return Converter(cd);
}

// One conversion of `in`; false when the converter refuses any of it.
bool Convert(iconv_t cd, std::string_view in, std::string& out) {
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    auto* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    char* target = buffer;
    std::size_t targetLeft = sizeof buffer;
    if (::iconv(cd, &source, &sourceLeft, &target, &targetLeft) == static_cast<std::size_t>(-1) || sourceLeft != 0)
        return false;
    out.assign(buffer, static_cast<std::size_t>(target - buffer));
    return true;
}

bool IsLeadByte932(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string Encode932(std::u16string_view text) {
    const Converter cd = OpenConverter("CP932", "UTF-16LE");
    std::string out, piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        const std::size_t units = pair ? 2 : 1;
        std::string bytes;
        for (std::size_t k = 0; k < units; ++k) {
            bytes += static_cast<char>(text[i + k] & 0xFF);
            bytes += static_cast<char>(text[i + k] >> 8);
        }
        out += Convert(cd.get(), bytes, piece) ? piece : std::string("?");
        i += units - 1;
    }
    return out;
}

std::string Decode932(std::string_view ansi) {
    const Converter cd = OpenConverter("UTF-8", "CP932");
    std::string out, piece;
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(ansi[i]);
        const std::size_t length = IsLeadByte932(b) && i + 1 < ansi.size() ? 2 : 1;
        out += Convert(cd.get(), ansi.substr(i, length), piece) ? piece : std::string("\xE3\x83\xBB");  // U+30FB
        i += length - 1;
    }
    return out;
}

}  // namespace

bool IsSimulatedCodePage(std::uint32_t codePage) {
    return codePage == kWesternCodePage || codePage == kJapaneseCodePage;
}

std::string Utf8ToAnsi(std::uint32_t codePage, std::string_view utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    return codePage == kJapaneseCodePage ? Encode932(text) : Encode1252(text);
}

std::string AnsiToUtf8(std::uint32_t codePage, std::string_view ansi) {
    if (codePage == kJapaneseCodePage) return Decode932(ansi);
    std::u16string text;
    for (const char c : ansi) text += Decode1252(static_cast<std::uint8_t>(c));
    return Utf16ToUtf8(text);
}

}  // namespace zelta::sim
