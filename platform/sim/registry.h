// The simulated registry: one tree per machine (RegistryStore) and the per-process Registry view
// that implements platform/registry.h over it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/faults.h"
#include "platform/sim/journal.h"
#include "platform/text.h"

namespace zelta::sim {

struct RegistryNode {
    std::map<std::string, RegValue, NoCaseLess> values;
    std::map<std::string, std::shared_ptr<RegistryNode>, NoCaseLess> subkeys;
    bool deleted = false;  // open handles to a deleted key fail, as on Windows
    bool administrators = false;  // ProtectKey made it the administrators' (and its subkeys)
};

// The machine's registry, for tests and scenarios to set up and inspect. Values keep their raw
// bytes exactly as stored; paths are backslash-separated, compared without regard to case.
class RegistryStore {
public:
    void SetJournal(const Journal* journal) { m_journal = journal; }
    const Journal* journal() const { return m_journal; }

    std::shared_ptr<RegistryNode> Find(RegistryRoot root, std::string_view path) const;
    std::shared_ptr<RegistryNode> Create(RegistryRoot root, std::string_view path);
    bool DeleteKey(RegistryRoot root, std::string_view path);  // with everything below it

    void SetValue(RegistryRoot root, std::string_view path, std::string_view name, RegType type,
                  std::vector<std::uint8_t> data);
    void SetString(RegistryRoot root, std::string_view path, std::string_view name, std::string_view utf8);
    void SetDword(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t value);
    void SetMultiString(RegistryRoot root, std::string_view path, std::string_view name,
                        const std::vector<std::string>& strings);

    std::optional<RegValue> Value(RegistryRoot root, std::string_view path, std::string_view name) const;
    // The value as a REG_DWORD; nullopt when absent or of another type or size.
    std::optional<std::uint32_t> Dword(RegistryRoot root, std::string_view path, std::string_view name) const;

private:
    std::shared_ptr<RegistryNode> m_localMachine = std::make_shared<RegistryNode>();
    std::shared_ptr<RegistryNode> m_currentUser = std::make_shared<RegistryNode>();
    const Journal* m_journal = nullptr;
};

// "dword 1", "string \"C:\\Dialer\"", "binary 4 bytes": a value as the transcript shows it.
std::string DescribeValue(const RegValue& value);

// What one process sees: the Reg* calls, with injected faults and access rights.
class SimRegistry final : public Registry {
public:
    SimRegistry(RegistryStore& store, Faults& faults) : m_store(store), m_faults(faults) {}
    Win32Error OpenKey(RegistryRoot root, std::string_view path, RegAccess access,
                       std::unique_ptr<RegistryKey>& out) override;
    Win32Error CreateKey(RegistryRoot root, std::string_view path, RegAccess access,
                         std::unique_ptr<RegistryKey>& out) override;
    Win32Error ProtectKey(RegistryRoot root, std::string_view path) override;

private:
    RegistryStore& m_store;
    Faults& m_faults;
};

}  // namespace zelta::sim
