// UTF-8 above the seam, UTF-16 in the wide API, the ANSI code page in files: conversions at the
// boundary. Compiled only for Windows.
#pragma once

#include <string>
#include <string_view>

#include "platform/secret.h"

namespace zelta::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// UTF-8 to the system's ANSI code page; characters it lacks become its default character.
std::string ToAnsi(std::string_view utf8);
// The system's ANSI code page to UTF-8.
std::string FromAnsi(std::string_view ansi);
// A secret to the ANSI code page, cut at a whole character to fit `out`, through wiped buffers.
void ToAnsiSecret(const SecretBuffer& utf8, SecretBuffer& out);

}  // namespace zelta::win32
