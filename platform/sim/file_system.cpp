// Implements platform/file_system.h on the simulated machine's files.
#include "platform/sim/file_system.h"

#include "platform/sim/code_page.h"

namespace zelta::sim {
namespace {

std::string ParentOf(std::string_view path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {};
    // "C:\x" has the parent "C:\"; "C:\a\x" has "C:\a".
    return std::string(path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash));
}

constexpr std::size_t kMaxPath = 260;  // MAX_PATH: the ANSI calls refuse longer paths

}  // namespace

FileStore::FileStore() { m_directories.insert("C:\\"); }

std::string FileStore::Resolve(std::string_view path) const {
    std::string p(path);
    for (auto& c : p)
        if (c == '/') c = '\\';
    if (p.size() >= 2 && p[1] == ':') return p;
    if (!p.empty() && p[0] == '\\') return m_currentDirectory.substr(0, 2) + p;
    std::string base = m_currentDirectory;
    if (base.back() != '\\') base += '\\';
    return base + p;
}

void FileStore::AddDirectory(std::string_view path) {
    std::string resolved = Resolve(path);
    while (resolved.size() > 3 && resolved.back() == '\\') resolved.pop_back();
    for (std::string dir = resolved; !dir.empty() && !m_directories.contains(dir); dir = ParentOf(dir)) {
        m_directories.insert(dir);
        if (dir.size() <= 3) break;
    }
}

bool FileStore::DirectoryExists(std::string_view path) const { return m_directories.contains(Resolve(path)); }

void FileStore::Write(std::string_view path, std::vector<std::uint8_t> bytes) {
    const std::string resolved = Resolve(path);
    AddDirectory(ParentOf(resolved));
    m_files.insert_or_assign(resolved, std::move(bytes));
}

void FileStore::WriteText(std::string_view path, std::string_view text) {
    Write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<std::uint8_t>> FileStore::Contents(std::string_view path) const {
    const auto it = m_files.find(Resolve(path));
    if (it == m_files.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> FileStore::Text(std::string_view path) const {
    auto bytes = Contents(path);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

FileGuard FileStore::AdministratorsGuard() {
    const ObjectOwner administrators{Principal::Administrators, "S-1-5-32-544"};
    return FileGuard{administrators, {ObjectOwner{Principal::LocalSystem, "S-1-5-18"}, administrators}};
}

FileGuard FileStore::GuardOf(const std::string& resolved) const {
    const auto it = m_guards.find(resolved);
    return it == m_guards.end() ? AdministratorsGuard() : it->second;
}

void FileStore::AddHardLink(std::string_view path, std::string_view target) {
    const std::string resolved = Resolve(path);
    AddDirectory(ParentOf(resolved));
    m_files.erase(resolved);
    m_links.insert_or_assign(resolved, Resolve(target));
}

std::string FileStore::Target(const std::string& resolved) const {
    const auto it = m_links.find(resolved);
    return it == m_links.end() ? resolved : it->second;
}

bool FileStore::HasOtherNames(const std::string& resolved) const {
    if (m_links.contains(resolved)) return true;
    for (const auto& [link, target] : m_links)
        if (EqualsNoCase(target, resolved)) return true;
    return false;
}

bool FileStore::IsHeld(const std::string& resolved) const {
    const auto it = m_held.find(resolved);
    return it != m_held.end() && it->second > 0;
}

namespace {

class SimHeldFile final : public HeldFile {
public:
    SimHeldFile(FileStore& store, std::string path) : m_store(store), m_path(std::move(path)) { ++m_store.Held()[m_path]; }
    ~SimHeldFile() override {
        if (--m_store.Held()[m_path] <= 0) m_store.Held().erase(m_path);
    }

private:
    FileStore& m_store;
    std::string m_path;
};

}  // namespace

Win32Error SimFileSystem::Missing(const std::string& resolved) const {
    return m_store.DirectoryExists(ParentOf(resolved)) ? err::kFileNotFound : err::kPathNotFound;
}

Win32Error SimFileSystem::AppendTextPlain(std::string_view path, std::string_view text) {
    const std::string resolved = m_store.Resolve(path);
    if (m_store.HasOtherNames(resolved)) {
        if (const Journal* journal = m_store.journal()) journal->Note("file", resolved + " refused: it has another name");
        return err::kCantAccessFile;
    }
    return AppendText(path, text);
}

Win32Error SimFileSystem::AppendText(std::string_view path, std::string_view text) {
    const std::string resolved = m_store.Target(m_store.Resolve(path));
    if (auto fault = m_faults.Check("CreateFile", resolved)) return *fault;
    if (m_store.IsHeld(resolved)) return err::kSharingViolation;
    if (resolved.size() >= kMaxPath) return err::kFilenameTooLong;
    auto& files = m_store.Files();
    auto it = files.find(resolved);
    if (it == files.end()) {
        if (!m_store.DirectoryExists(ParentOf(resolved))) return err::kPathNotFound;
        it = files.emplace(resolved, std::vector<std::uint8_t>{}).first;
    }
    if (auto fault = m_faults.Check("WriteFile", resolved)) return *fault;
    const std::string ansi = Utf8ToAnsi(m_codePage, text);
    if (const Journal* journal = m_store.journal()) {
        const bool isLog = resolved.size() >= 7 && EqualsNoCase(std::string_view(resolved).substr(resolved.size() - 7), "vpn.log");
        std::string shown = AnsiToUtf8(m_codePage, ansi);  // as a reader of the file sees it
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) shown.pop_back();
        journal->Note(isLog ? "log" : "file", isLog ? shown : resolved + " += " + shown);
    }
    for (char c : ansi) {
        if (c == '\n') it->second.push_back('\r');
        it->second.push_back(static_cast<std::uint8_t>(c));
    }
    return err::kSuccess;
}

Win32Error SimFileSystem::SizeOf(std::string_view path, std::uint64_t& size) {
    const std::string resolved = m_store.Resolve(path);
    if (auto fault = m_faults.Check("GetFileAttributesEx", resolved)) return *fault;
    const auto it = m_store.Files().find(resolved);
    if (it == m_store.Files().end()) return Missing(resolved);
    size = it->second.size();
    return err::kSuccess;
}

Win32Error SimFileSystem::Rename(std::string_view from, std::string_view to) {
    const std::string source = m_store.Resolve(from);
    const std::string target = m_store.Resolve(to);
    if (auto fault = m_faults.Check("MoveFile", source)) return *fault;
    auto& files = m_store.Files();
    const auto it = files.find(source);
    if (it == files.end()) return Missing(source);
    if (m_store.IsHeld(source)) return err::kSharingViolation;
    if (files.contains(target)) return err::kAlreadyExists;
    if (!m_store.DirectoryExists(ParentOf(target))) return err::kPathNotFound;
    auto bytes = std::move(it->second);
    files.erase(it);
    files.emplace(target, std::move(bytes));
    if (const Journal* journal = m_store.journal()) journal->Note("file", source + " renamed to " + target);
    return err::kSuccess;
}

Win32Error SimFileSystem::Remove(std::string_view path) {
    const std::string resolved = m_store.Resolve(path);
    if (auto fault = m_faults.Check("DeleteFile", resolved)) return *fault;
    const auto it = m_store.Files().find(resolved);
    if (it == m_store.Files().end()) return Missing(resolved);
    if (m_store.IsHeld(resolved)) return err::kSharingViolation;
    m_store.Files().erase(it);
    if (const Journal* journal = m_store.journal()) journal->Note("file", resolved + " deleted");
    return err::kSuccess;
}

Win32Error SimFileSystem::Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
    const std::string resolved = m_store.Resolve(path);
    if (auto fault = m_faults.Check("CreateFile", resolved)) return *fault;
    const auto it = m_store.Files().find(resolved);
    if (it == m_store.Files().end()) return Missing(resolved);
    if (it->second.size() > maxBytes) return err::kMoreData;
    out = it->second;
    return err::kSuccess;
}

Win32Error SimFileSystem::ReadGuard(std::string_view path, FileGuard& out) {
    std::string resolved = m_store.Resolve(path);
    while (resolved.size() > 3 && resolved.back() == '\\') resolved.pop_back();
    if (auto fault = m_faults.Check("GetNamedSecurityInfo", resolved)) return *fault;
    const std::string target = m_store.Target(resolved);
    if (!m_store.Files().contains(target) && !m_store.DirectoryExists(resolved)) return Missing(resolved);
    out = m_store.GuardOf(target);
    return err::kSuccess;
}

Win32Error SimFileSystem::Hold(std::string_view path, std::unique_ptr<HeldFile>& out) {
    const std::string resolved = m_store.Target(m_store.Resolve(path));
    if (auto fault = m_faults.Check("CreateFile", resolved)) return *fault;
    if (!m_store.Files().contains(resolved)) return Missing(resolved);
    out = std::make_unique<SimHeldFile>(m_store, resolved);
    return err::kSuccess;
}

Win32Error SimFileSystem::ProtectFolder(std::string_view path) {
    std::string resolved = m_store.Resolve(path);
    while (resolved.size() > 3 && resolved.back() == '\\') resolved.pop_back();
    if (auto fault = m_faults.Check("SetNamedSecurityInfo", resolved)) return *fault;
    if (!m_store.DirectoryExists(resolved)) return err::kPathNotFound;
    // The folder's new entries are inherited by everything below it, which had nothing of its own.
    const std::string below = resolved + "\\";
    auto& guards = m_store.Guards();
    for (auto it = guards.begin(); it != guards.end();) {
        it = EqualsNoCase(it->first, resolved) || it->first.starts_with(below) ? guards.erase(it) : std::next(it);
    }
    if (const Journal* journal = m_store.journal()) journal->Note("file", resolved + " made the administrators'");
    return err::kSuccess;
}

}  // namespace zelta::sim
