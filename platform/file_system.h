// FileSystem: the few file operations the product needs (its log, the library trace, the banner).
// Paths are Windows paths in UTF-8 ("C:\Dialer\vpn.log"). Implemented by
// platform/win32/file_system.cpp and platform/sim/file_system.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Appends `text` the way the C runtime's text mode does: every "\n" is written as "\r\n", and
    // the text is converted from UTF-8 to the system's ANSI code page where the bytes leave. Creates
    // the file when it is absent; the directory must exist (kPathNotFound otherwise). The file is
    // opened and closed within the call, so another process may append between two calls.
    virtual Win32Error AppendText(std::string_view path, std::string_view text) = 0;

    // The file's size in bytes. kFileNotFound / kPathNotFound when absent.
    virtual Win32Error SizeOf(std::string_view path, std::uint64_t& size) = 0;

    // MoveFile: renames `from` to `to`; fails with kAlreadyExists when `to` exists.
    virtual Win32Error Rename(std::string_view from, std::string_view to) = 0;

    // DeleteFile. kFileNotFound when absent.
    virtual Win32Error Remove(std::string_view path) = 0;

    // Reads the whole file when it holds at most `maxBytes`; kMoreData (and nothing read) when larger.
    virtual Win32Error Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) = 0;
};

}  // namespace zelta
