// The simulated Windows' ANSI code page: what WideCharToMultiByte and MultiByteToWideChar with CP_ACP
// do to text at the seam. Windows-1252 (a Western Windows) unless a scenario chooses 932 (Japanese).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelta::sim {

inline constexpr std::uint32_t kWesternCodePage = 1252;
inline constexpr std::uint32_t kJapaneseCodePage = 932;

bool IsSimulatedCodePage(std::uint32_t codePage);

// UTF-8 text as bytes of the code page; a character it lacks becomes '?' (the default character).
std::string Utf8ToAnsi(std::uint32_t codePage, std::string_view utf8);
// Bytes of the code page as UTF-8; a byte or pair it does not define becomes its default character
// (U+FFFD in 1252, KATAKANA MIDDLE DOT in 932).
std::string AnsiToUtf8(std::uint32_t codePage, std::string_view ansi);
// Text that went out through the code page and came back, as an ANSI call's caller sees it.
inline std::string ThroughAnsi(std::uint32_t codePage, std::string_view utf8) {
    return AnsiToUtf8(codePage, Utf8ToAnsi(codePage, utf8));
}

}  // namespace zelta::sim
