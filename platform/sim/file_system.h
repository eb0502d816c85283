// The simulated file system: one store per machine (FileStore) and the per-process FileSystem
// view over it. The machine has drive C: with the current directory at its root; text is kept as
// UTF-8 bytes (the simulated ANSI code page).
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/sim/faults.h"
#include "platform/sim/journal.h"
#include "platform/text.h"

namespace zelta::sim {

class FileStore {
public:
    FileStore();
    void SetJournal(const Journal* journal) { m_journal = journal; }
    const Journal* journal() const { return m_journal; }

    // "C:\x" stays; "\x" is on the current drive; "x" is in the current directory.
    std::string Resolve(std::string_view path) const;

    void AddDirectory(std::string_view path);  // and its parents
    bool DirectoryExists(std::string_view path) const;
    void Write(std::string_view path, std::vector<std::uint8_t> bytes);  // creates the directory too
    void WriteText(std::string_view path, std::string_view text);
    std::optional<std::vector<std::uint8_t>> Contents(std::string_view path) const;
    std::optional<std::string> Text(std::string_view path) const;
    bool Exists(std::string_view path) const { return Contents(path).has_value(); }

    // Direct access for the simulated calls (paths already resolved).
    std::map<std::string, std::vector<std::uint8_t>, NoCaseLess>& Files() { return m_files; }

    // Who can change a file or folder. A path without an entry is as an installer leaves it: owned
    // by Administrators, changed only by the system account and Administrators.
    std::map<std::string, FileGuard, NoCaseLess>& Guards() { return m_guards; }
    FileGuard GuardOf(const std::string& resolved) const;
    static FileGuard AdministratorsGuard();

    // A second name for a file (a hard link): writes through either name change the one file.
    void AddHardLink(std::string_view path, std::string_view target);
    // The file a resolved path names: itself, or the target of the hard link it is.
    std::string Target(const std::string& resolved) const;
    // True when the file has more than one name.
    bool HasOtherNames(const std::string& resolved) const;

    // Files held open against writing (HeldFile), by resolved path.
    std::map<std::string, int, NoCaseLess>& Held() { return m_held; }
    bool IsHeld(const std::string& resolved) const;

private:
    std::map<std::string, std::vector<std::uint8_t>, NoCaseLess> m_files;
    std::map<std::string, FileGuard, NoCaseLess> m_guards;
    std::map<std::string, std::string, NoCaseLess> m_links;  // link -> target
    std::map<std::string, int, NoCaseLess> m_held;
    std::set<std::string, NoCaseLess> m_directories;
    std::string m_currentDirectory = "C:\\";
    const Journal* m_journal = nullptr;
};

class SimFileSystem final : public FileSystem {
public:
    // `codePage`: the machine's ANSI code page, in which text files are written.
    SimFileSystem(FileStore& store, Faults& faults, const std::uint32_t& codePage)
        : m_store(store), m_faults(faults), m_codePage(codePage) {}
    Win32Error AppendText(std::string_view path, std::string_view text) override;
    Win32Error AppendTextPlain(std::string_view path, std::string_view text) override;
    Win32Error SizeOf(std::string_view path, std::uint64_t& size) override;
    Win32Error Rename(std::string_view from, std::string_view to) override;
    Win32Error Remove(std::string_view path) override;
    Win32Error Read(std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) override;
    Win32Error ReadGuard(std::string_view path, FileGuard& out) override;
    Win32Error Hold(std::string_view path, std::unique_ptr<HeldFile>& out) override;
    Win32Error ProtectFolder(std::string_view path) override;

private:
    Win32Error Missing(const std::string& resolved) const;
    FileStore& m_store;
    Faults& m_faults;
    const std::uint32_t& m_codePage;
};

}  // namespace zelta::sim
