// The real FileSystem: CreateFile, GetFileAttributesEx, MoveFile, DeleteFile.
#pragma once

#include "platform/file_system.h"

namespace zelta::win32 {

class Win32FileSystem final : public FileSystem {
public:
    Win32Error AppendText(std::string_view path, std::string_view text) override;
    Win32Error AppendTextPlain(std::string_view path, std::string_view text) override;
    Win32Error SizeOf(std::string_view path, std::uint64_t& size) override;
    Win32Error Rename(std::string_view from, std::string_view to) override;
    Win32Error Remove(std::string_view path) override;
    Win32Error Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) override;
    Win32Error ReadGuard(std::string_view path, FileGuard& out) override;
    Win32Error Hold(std::string_view path, std::unique_ptr<HeldFile>& out) override;
    Win32Error ProtectFolder(std::string_view path) override;
};

}  // namespace zelta::win32
