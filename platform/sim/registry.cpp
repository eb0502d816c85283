// Implements platform/registry.h on the simulated machine's registry tree.
#include "platform/sim/registry.h"

namespace zelta::sim {
namespace {

constexpr Win32Error kKeyDeleted = 1018;  // ERROR_KEY_DELETED

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool CanRead(RegAccess access) {
    return access == RegAccess::Read || access == RegAccess::ReadWrite || access == RegAccess::All;
}
bool CanWrite(RegAccess access) { return access != RegAccess::Read; }

std::string RootName(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? "HKLM" : "HKCU"; }

class SimRegistryKey final : public RegistryKey {
public:
    SimRegistryKey(std::shared_ptr<RegistryNode> node, RegAccess access, std::string path, Faults& faults,
                   const Journal* journal)
        : m_node(std::move(node)), m_access(access), m_path(std::move(path)), m_faults(faults), m_journal(journal) {}

    Win32Error QueryValue(std::string_view name, std::size_t capacity, RegValue& out) override {
        if (auto fault = m_faults.Check("RegQueryValueEx", name)) return *fault;
        if (m_node->deleted) return kKeyDeleted;
        if (!CanRead(m_access)) return err::kAccessDenied;
        const auto it = m_node->values.find(name);
        if (it == m_node->values.end()) return err::kFileNotFound;
        if (it->second.data.size() > capacity) return err::kMoreData;
        out = it->second;
        return err::kSuccess;
    }

    Win32Error SetValue(std::string_view name, RegType type, std::span<const std::uint8_t> data) override {
        if (auto fault = m_faults.Check("RegSetValueEx", name)) return *fault;
        if (m_node->deleted) return kKeyDeleted;
        if (!CanWrite(m_access)) return err::kAccessDenied;
        auto it = m_node->values.find(name);
        RegValue value{type, {data.begin(), data.end()}};
        Note(std::string(name) + " = " + DescribeValue(value));
        if (it == m_node->values.end()) {
            m_node->values.emplace(std::string(name), std::move(value));
        } else {
            it->second = std::move(value);
        }
        return err::kSuccess;
    }

    Win32Error DeleteValue(std::string_view name) override {
        if (auto fault = m_faults.Check("RegDeleteValue", name)) return *fault;
        if (m_node->deleted) return kKeyDeleted;
        if (!CanWrite(m_access)) return err::kAccessDenied;
        const auto it = m_node->values.find(name);
        if (it == m_node->values.end()) return err::kFileNotFound;
        m_node->values.erase(it);
        Note(std::string(name) + " deleted");
        return err::kSuccess;
    }

    Win32Error EnumSubKey(std::uint32_t index, std::string& name) override {
        if (auto fault = m_faults.Check("RegEnumKeyEx", m_path)) return *fault;
        if (m_node->deleted) return kKeyDeleted;
        if (!CanRead(m_access)) return err::kAccessDenied;
        if (index >= m_node->subkeys.size()) return err::kNoMoreItems;
        name = std::next(m_node->subkeys.begin(), index)->first;
        return err::kSuccess;
    }

    Win32Error DeleteSubKey(std::string_view name) override {
        if (auto fault = m_faults.Check("RegDeleteKey", m_path + "\\" + std::string(name))) return *fault;
        if (m_node->deleted) return kKeyDeleted;
        if (!CanWrite(m_access)) return err::kAccessDenied;
        const auto it = m_node->subkeys.find(name);
        if (it == m_node->subkeys.end()) return err::kFileNotFound;
        if (!it->second->subkeys.empty()) return err::kAccessDenied;
        it->second->deleted = true;
        m_node->subkeys.erase(it);
        Note(std::string(name) + "\\ deleted");
        return err::kSuccess;
    }

private:
    void Note(const std::string& what) const {
        if (m_journal) m_journal->Note("registry", m_path + " " + what);
    }

    std::shared_ptr<RegistryNode> m_node;
    RegAccess m_access;
    std::string m_path;
    Faults& m_faults;
    const Journal* m_journal;
};

}  // namespace

std::string DescribeValue(const RegValue& value) {
    switch (value.type) {
        case RegType::Dword:
            if (value.data.size() == 4) {
                const auto& d = value.data;
                return "dword " + std::to_string(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24));
            }
            break;
        case RegType::String:
        case RegType::ExpandString:
            return std::string(value.type == RegType::String ? "string" : "expand") + " \"" +
                   DecodeRegString(value.data) + "\"";
        default:
            break;
    }
    return "type " + std::to_string(static_cast<std::uint32_t>(value.type)) + ", " + std::to_string(value.data.size()) +
           " bytes";
}

std::shared_ptr<RegistryNode> RegistryStore::Find(RegistryRoot root, std::string_view path) const {
    auto node = root == RegistryRoot::LocalMachine ? m_localMachine : m_currentUser;
    for (const auto& part : SplitPath(path)) {
        const auto it = node->subkeys.find(part);
        if (it == node->subkeys.end()) return nullptr;
        node = it->second;
    }
    return node;
}

std::shared_ptr<RegistryNode> RegistryStore::Create(RegistryRoot root, std::string_view path) {
    auto node = root == RegistryRoot::LocalMachine ? m_localMachine : m_currentUser;
    for (const auto& part : SplitPath(path)) {
        auto& child = node->subkeys[part];
        if (!child) child = std::make_shared<RegistryNode>();
        node = child;
    }
    return node;
}

bool RegistryStore::DeleteKey(RegistryRoot root, std::string_view path) {
    auto parts = SplitPath(path);
    if (parts.empty()) return false;
    const std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const auto& part : parts) parentPath += part + "\\";
    auto parent = Find(root, parentPath);
    if (!parent) return false;
    const auto it = parent->subkeys.find(leaf);
    if (it == parent->subkeys.end()) return false;
    it->second->deleted = true;
    parent->subkeys.erase(it);
    return true;
}

void RegistryStore::SetValue(RegistryRoot root, std::string_view path, std::string_view name, RegType type,
                             std::vector<std::uint8_t> data) {
    auto node = Create(root, path);
    node->values.insert_or_assign(std::string(name), RegValue{type, std::move(data)});
}

void RegistryStore::SetString(RegistryRoot root, std::string_view path, std::string_view name,
                              std::string_view utf8) {
    SetValue(root, path, name, RegType::String, EncodeRegString(utf8));
}

void RegistryStore::SetDword(RegistryRoot root, std::string_view path, std::string_view name,
                             std::uint32_t value) {
    SetValue(root, path, name, RegType::Dword,
             {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
              static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void RegistryStore::SetMultiString(RegistryRoot root, std::string_view path, std::string_view name,
                                   const std::vector<std::string>& strings) {
    SetValue(root, path, name, RegType::MultiString, EncodeRegMultiString(strings));
}

std::optional<RegValue> RegistryStore::Value(RegistryRoot root, std::string_view path,
                                             std::string_view name) const {
    const auto node = Find(root, path);
    if (!node) return std::nullopt;
    const auto it = node->values.find(name);
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::uint32_t> RegistryStore::Dword(RegistryRoot root, std::string_view path,
                                                  std::string_view name) const {
    const auto value = Value(root, path, name);
    if (!value || value->type != RegType::Dword || value->data.size() != 4) return std::nullopt;
    const auto& d = value->data;
    return static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24));
}

Win32Error SimRegistry::OpenKey(RegistryRoot root, std::string_view path, RegAccess access,
                                std::unique_ptr<RegistryKey>& out) {
    if (auto fault = m_faults.Check("RegOpenKeyEx", path)) return *fault;
    auto node = m_store.Find(root, path);
    if (!node) return err::kFileNotFound;
    out = std::make_unique<SimRegistryKey>(std::move(node), access, RootName(root) + "\\" + std::string(path), m_faults,
                                           m_store.journal());
    return err::kSuccess;
}

Win32Error SimRegistry::CreateKey(RegistryRoot root, std::string_view path, RegAccess access,
                                  std::unique_ptr<RegistryKey>& out) {
    if (auto fault = m_faults.Check("RegCreateKeyEx", path)) return *fault;
    const bool existed = m_store.Find(root, path) != nullptr;
    const std::string fullPath = RootName(root) + "\\" + std::string(path);
    if (!existed && m_store.journal()) m_store.journal()->Note("registry", fullPath + " created");
    out = std::make_unique<SimRegistryKey>(m_store.Create(root, path), access, fullPath, m_faults, m_store.journal());
    return err::kSuccess;
}

Win32Error SimRegistry::ProtectKey(RegistryRoot root, std::string_view path) {
    if (auto fault = m_faults.Check("SetNamedSecurityInfo", path)) return *fault;
    const auto node = m_store.Find(root, path);
    if (!node) return err::kFileNotFound;
    std::vector<RegistryNode*> pending{node.get()};
    while (!pending.empty()) {
        RegistryNode* next = pending.back();
        pending.pop_back();
        next->administrators = true;
        for (auto& [name, child] : next->subkeys) pending.push_back(child.get());
    }
    if (m_store.journal()) m_store.journal()->Note("registry", RootName(root) + "\\" + std::string(path) + " made the administrators'");
    return err::kSuccess;
}

}  // namespace zelta::sim
