// FileSystem: the few file operations the product needs (its log, the library trace, the banner).
// Paths are Windows paths in UTF-8 ("C:\Dialer\vpn.log"). Implemented by
// platform/win32/file_system.cpp and platform/sim/file_system.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/principal.h"
#include "platform/win32_error.h"

namespace zelta {

// Who can change a file or folder: its owner (who may always rewrite its permissions), and every
// trustee its DACL lets write, append, delete, add or remove entries, or change its permissions or
// owner (a missing DACL lets Everyone).
struct FileGuard {
    ObjectOwner owner;
    std::vector<ObjectOwner> writers;
};

// A file held open for reading and running, shared for reading only: while it is held nobody can
// write, rename or delete it. The destructor lets go.
class HeldFile {
public:
    virtual ~HeldFile() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Appends `text` the way the C runtime's text mode does: every "\n" is written as "\r\n", and
    // the text is converted from UTF-8 to the system's ANSI code page where the bytes leave. Creates
    // the file when it is absent; the directory must exist (kPathNotFound otherwise). The file is
    // opened and closed within the call, so another process may append between two calls.
    virtual Win32Error AppendText(std::string_view path, std::string_view text) = 0;

    // As AppendText, but only into a plain file: the file is opened without following a reparse
    // point, and when the opened file is a junction or symbolic link, or has another name (a hard
    // link), nothing is written and the result is kCantAccessFile.
    virtual Win32Error AppendTextPlain(std::string_view path, std::string_view text) = 0;

    // The file's size in bytes. kFileNotFound / kPathNotFound when absent.
    virtual Win32Error SizeOf(std::string_view path, std::uint64_t& size) = 0;

    // MoveFile: renames `from` to `to`; fails with kAlreadyExists when `to` exists.
    virtual Win32Error Rename(std::string_view from, std::string_view to) = 0;

    // DeleteFile. kFileNotFound when absent.
    virtual Win32Error Remove(std::string_view path) = 0;

    // Reads the whole file when it holds at most `maxBytes`; kMoreData (and nothing read) when larger.
    virtual Win32Error Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) = 0;

    // GetNamedSecurityInfo of a file or folder: its owner and who may change it.
    virtual Win32Error ReadGuard(std::string_view path, FileGuard& out) = 0;

    // Opens `path` as HeldFile says. kSharingViolation when someone has it open for writing.
    virtual Win32Error Hold(std::string_view path, std::unique_ptr<HeldFile>& out) = 0;

    // Makes the folder `path` the administrators': owner Administrators; the system account and
    // Administrators in full, Users to read and run; nothing inherited from above; all of it
    // inherited by what the folder holds.
    virtual Win32Error ProtectFolder(std::string_view path) = 0;
};

}  // namespace zelta
