// Implements platform/file_system.h with the wide file calls.
#include "platform/win32/file_system.h"

#include <windows.h>
#include <aclapi.h>

#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

// What lets a trustee change a file or folder, or what it holds.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD | DELETE |
                                      WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

std::string WithCrLf(std::string_view text) {
    // The C runtime's text mode, done here: LF becomes CR LF, in the ANSI code page.
    std::string bytes;
    for (char c : ToAnsi(text)) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

Win32Error WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ? ERROR_SUCCESS
                                                                                                : ::GetLastError();
}

class Win32HeldFile final : public HeldFile {
public:
    explicit Win32HeldFile(HANDLE file) : m_file(file) {}

private:
    UniqueFile m_file;
};

}  // namespace

Win32Error Win32FileSystem::AppendText(std::string_view path, std::string_view text) {
    // FILE_APPEND_DATA alone makes every write land at the end, even with another process appending.
    UniqueFile file(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    return WriteAll(file.Get(), WithCrLf(text));
}

Win32Error Win32FileSystem::AppendTextPlain(std::string_view path, std::string_view text) {
    // The link itself is opened, never what it points to; what was opened is looked at before a
    // byte is written, so that no name swapped in between the look and the write counts.
    UniqueFile file(::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return ::GetLastError();
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1)
        return ERROR_CANT_ACCESS_FILE;
    return WriteAll(file.Get(), WithCrLf(text));
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

Win32Error Win32FileSystem::ReadGuard(std::string_view path, FileGuard& out) {
    std::wstring wide = Wide(path);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = ::GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                             &dacl, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) return rc;
    UniqueLocal freed(descriptor);
    if (!owner) return ERROR_INVALID_SECURITY_DESCR;
    out.owner = OwnerOf(owner);
    out.writers.clear();
    if (!dacl) {
        out.writers.push_back(ObjectOwner{Principal::Everyone, "S-1-1-0"});  // no DACL: open to all
        return ERROR_SUCCESS;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) return ::GetLastError();
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kChangeRights) == 0) continue;
        out.writers.push_back(OwnerOf(reinterpret_cast<PSID>(&allowed->SidStart)));
    }
    return ERROR_SUCCESS;
}

Win32Error Win32FileSystem::Hold(std::string_view path, std::unique_ptr<HeldFile>& out) {
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    out = std::make_unique<Win32HeldFile>(file);
    return ERROR_SUCCESS;
}

Win32Error Win32FileSystem::ProtectFolder(std::string_view path) {
    return ProtectForAdministrators(Wide(path), SE_FILE_OBJECT, FILE_ALL_ACCESS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE);
}

}  // namespace zelta::win32
