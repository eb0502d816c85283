// Implements platform/file_system.h with the wide file calls.
#include "platform/win32/file_system.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {

Win32Error Win32FileSystem::AppendText(std::string_view path, std::string_view text) {
    // The C runtime's text mode, done here: LF becomes CR LF, in the ANSI code page.
    std::string bytes;
    for (char c : ToAnsi(text)) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    // FILE_APPEND_DATA alone makes every write land at the end, even with another process appending.
    UniqueFile file(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

Win32Error Win32FileSystem::SizeOf(std::string_view path, std::uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return ::GetLastError();
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return ERROR_SUCCESS;
}

Win32Error Win32FileSystem::Rename(std::string_view from, std::string_view to) {
    return ::MoveFileW(Wide(from).c_str(), Wide(to).c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

Win32Error Win32FileSystem::Remove(std::string_view path) {
    return ::DeleteFileW(Wide(path).c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

Win32Error Win32FileSystem::Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
    UniqueFile file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    DWORD high = 0;
    const DWORD low = ::GetFileSize(file.Get(), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return ::GetLastError();
    const std::uint64_t size = (static_cast<std::uint64_t>(high) << 32) | low;
    if (size > maxBytes) return ERROR_MORE_DATA;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    DWORD read = 0;
    if (size > 0 && !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &read, nullptr))
        return ::GetLastError();
    bytes.resize(read);
    out = std::move(bytes);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
