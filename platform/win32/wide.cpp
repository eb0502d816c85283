// Text conversions at the Win32 boundary.
#include "platform/win32/wide.h"

#include <windows.h>

#include <vector>

#include "platform/text.h"

namespace zelta::win32 {

std::wstring Wide(std::string_view utf8) {
    const std::u16string u16 = Utf8ToUtf16(utf8);
    return std::wstring(u16.begin(), u16.end());
}

std::string Narrow(std::wstring_view utf16) {
    return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

std::string ToAnsi(std::string_view utf8) {
    const std::wstring wide = Wide(utf8);
    if (wide.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, nullptr,
                              nullptr);
    return ansi;
}

void ToAnsiSecret(const SecretBuffer& utf8, SecretBuffer& out) {
    const SecretUtf16 wide(utf8);
    const auto* units = reinterpret_cast<const wchar_t*>(wide.View().data());
    std::vector<char> ansi(2 * wide.View().size() + 1);  // two bytes a character at most (double-byte code pages)
    // Fewer characters until the text fits: never half of a double-byte character.
    int length = 0;
    for (int count = static_cast<int>(wide.View().size()); count > 0; --count) {
        length = ::WideCharToMultiByte(CP_ACP, 0, units, count, ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr);
        if (length > 0 && static_cast<std::size_t>(length) <= out.Capacity()) break;
        length = 0;
    }
    out.Assign(std::string_view(ansi.data(), static_cast<std::size_t>(length)));
    SecureZero(ansi.data(), ansi.size());
}

std::string FromAnsi(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return Narrow(wide);
}

}  // namespace zelta::win32
