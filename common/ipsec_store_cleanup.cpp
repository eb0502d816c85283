// Clean-up of the local IPsec policy store.
#include "common/ipsec_store_cleanup.h"

#include <map>
#include <memory>

#include "common/registry_values.h"
#include "platform/text.h"

namespace zelta {
namespace {

constexpr std::size_t kNameCapacity = 256;    // characters, with the terminator
constexpr std::size_t kValueCapacity = 1024;  // the reference values

// One set of store objects: name -> "valid" mark, ordered by exact comparison of the names.
using ObjectSet = std::map<std::string, int>;

struct Store {
    ObjectSet filters, isakmpPolicies, negotiationPolicies, nfas, policies;
};

std::string Cut(std::string name) {
    if (CharacterCount(name) > kNameCapacity - 1) name.resize(kNameCapacity - 1);
    return name;
}

// The first prefix that matches, without regard to case, decides the set.
void Classify(Store& store, const std::string& name) {
    const struct {
        std::string_view prefix;
        ObjectSet Store::*set;
        int valid;
    } kinds[] = {{"ipsecFilter", &Store::filters, 1},
                 {"ipsecISAKMPPolicy", &Store::isakmpPolicies, 0},
                 {"ipsecNegotiationPolicy", &Store::negotiationPolicies, 0},
                 {"ipsecNFA", &Store::nfas, 0},
                 {"ipsecPolicy", &Store::policies, 1}};
    for (const auto& kind : kinds) {
        if (name.size() >= kind.prefix.size() && EqualsNoCase(std::string_view(name).substr(0, kind.prefix.size()), kind.prefix)) {
            (store.*kind.set).emplace(Cut(name), kind.valid);
            return;
        }
    }
}

std::string ReadReference(RegistryKey& key, std::string_view value) {
    return ReadTextValue(key, value, kValueCapacity).value_or(std::string());
}

}  // namespace

std::optional<std::string> LastPathComponent(std::string_view path) {
    if (path.empty()) return std::nullopt;
    const auto slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void CleanLocalIpsecPolicies(DialerSettings& settings) {
    if (settings.osVersion.major != 5 || settings.osVersion.minor != 0) return;
    Registry& registry = settings.platform().registry;
    Log& log = settings.log();
    std::unique_ptr<RegistryKey> root;
    if (registry.OpenKey(RegistryRoot::LocalMachine, kLocalIpsecStore, RegAccess::ReadWrite, root) != err::kSuccess)
        return;

    Store store;
    std::string name;
    for (std::uint32_t index = 0; root->EnumSubKey(index, name) == err::kSuccess; ++index) Classify(store, name);

    const std::string storePath(kLocalIpsecStore);
    for (const auto& [policy, valid] : store.policies) {
        std::unique_ptr<RegistryKey> key;
        if (registry.OpenKey(RegistryRoot::LocalMachine, storePath + "\\" + policy, RegAccess::Read, key) != err::kSuccess) {
            log.DebugTrace("Error in RegOpenKeyEx for %s\n", policy.c_str());
            continue;
        }
        const std::string reference = ReadReference(*key, "ipsecISAKMPReference");
        if (reference.empty()) {
            log.DebugTrace("GETKEY error %s\n", policy.c_str());
            continue;
        }
        const auto it = store.isakmpPolicies.find(Cut(*LastPathComponent(reference)));
        if (it != store.isakmpPolicies.end()) it->second = 1;
    }
    for (auto& [negotiation, valid] : store.negotiationPolicies) {
        std::unique_ptr<RegistryKey> key;
        if (registry.OpenKey(RegistryRoot::LocalMachine, storePath + "\\" + negotiation, RegAccess::Read, key) != err::kSuccess)
            continue;
        const std::string owner = ReadReference(*key, "ipsecOwnersReference");  // the first path of a multi-string
        if (!owner.empty() && store.nfas.contains(Cut(*LastPathComponent(owner)))) valid = 1;
    }

    int index = 0;
    for (const auto& [filter, valid] : store.filters) log.DebugTrace("fil %d: %s\n", index++, filter.c_str());
    index = 0;
    for (const auto& [isakmp, valid] : store.isakmpPolicies) {
        log.DebugTrace("isakmp %d: %s, valid=%d\n", index++, isakmp.c_str(), valid);
        if (!valid) root->DeleteSubKey(isakmp);
    }
    index = 0;
    for (const auto& [negotiation, valid] : store.negotiationPolicies) {
        log.DebugTrace("neg %d: %s, valid=%d\n", index++, negotiation.c_str(), valid);
        if (!valid) root->DeleteSubKey(negotiation);
    }
    index = 0;
    for (const auto& [nfa, valid] : store.nfas) log.DebugTrace("nfa %d: %s\n", index++, nfa.c_str());
    index = 0;
    for (const auto& [policy, valid] : store.policies) log.DebugTrace("pol %d: %s\n", index++, policy.c_str());
}

}  // namespace zelta
