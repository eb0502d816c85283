// The IPsec command-line tools of the simulated machine (ipseccmd, ipsecpol): they edit the local
// policy store, which lives in the registry, as the real tools do. Creating a policy writes its
// objects (policy, ISAKMP policy, rule, negotiation policy, filter) with their references to each
// other; deleting it takes the policy, its rule and its filter, and leaves its ISAKMP and negotiation
// policies behind, unreferenced, as the Windows 2000 tools did.
#include <cstdio>
#include <map>

#include "platform/sim/programs.h"

namespace zelta::sim {
namespace {

constexpr std::uint32_t kUsageError = 1;
constexpr RegistryRoot kHklm = RegistryRoot::LocalMachine;
constexpr std::string_view kStore = "SOFTWARE\\Policies\\Microsoft\\Windows\\IPSec\\Policy\\Local";

bool IsOption(const std::string& word) {
    static const char* const kOptions[] = {"-w", "-p", "-f", "-n", "-1k", "-1s", "-r", "-a", "-y", "-o", "-x"};
    for (const char* option : kOptions)
        if (word == option) return true;
    return false;
}

// "ipsecNFA{5A1F0000-0000-0000-0000-000000000003}": each object a GUID of its own, in making order.
std::string NewObject(Machine& machine, std::string_view kind) {
    char guid[48];
    std::snprintf(guid, sizeof guid, "{5A1F0000-0000-0000-0000-%012X}", ++machine.ipsecObjects);
    return std::string(kind) + guid;
}

std::string PathOf(const std::string& object) { return std::string(kStore) + "\\" + object; }

void WriteObject(RegistryStore& registry, const std::string& object, std::string_view className,
                 const std::vector<std::string>& owners) {
    registry.Create(kHklm, PathOf(object));
    registry.SetString(kHklm, PathOf(object), "ClassName", className);
    registry.SetString(kHklm, PathOf(object), "ipsecID", object.substr(object.find('{')));
    if (!owners.empty()) registry.SetMultiString(kHklm, PathOf(object), "ipsecOwnersReference", owners);
}

void WriteToStore(RegistryStore& registry, const std::string& name, const IpsecPolicy& p) {
    WriteObject(registry, p.policyKey, "ipsecPolicy", {});
    registry.SetString(kHklm, PathOf(p.policyKey), "ipsecName", name);
    registry.SetString(kHklm, PathOf(p.policyKey), "ipsecISAKMPReference", PathOf(p.isakmpKey));
    registry.SetMultiString(kHklm, PathOf(p.policyKey), "ipsecNFAReference", {PathOf(p.nfaKey)});
    WriteObject(registry, p.isakmpKey, "ipsecISAKMPPolicy", {PathOf(p.policyKey)});
    WriteObject(registry, p.nfaKey, "ipsecNFA", {PathOf(p.policyKey)});
    registry.SetString(kHklm, PathOf(p.nfaKey), "ipsecName", p.rule);
    registry.SetString(kHklm, PathOf(p.nfaKey), "ipsecNegotiationPolicyReference", PathOf(p.negotiationKey));
    registry.SetMultiString(kHklm, PathOf(p.nfaKey), "ipsecFilterReference", {PathOf(p.filterKey)});
    WriteObject(registry, p.negotiationKey, "ipsecNegotiationPolicy", {PathOf(p.nfaKey)});
    WriteObject(registry, p.filterKey, "ipsecFilter", {PathOf(p.nfaKey)});
    registry.SetString(kHklm, PathOf(p.filterKey), "ipsecName", p.filter);
    if (p.assigned) registry.SetString(kHklm, std::string(kStore), "ActivePolicy", PathOf(p.policyKey));
}

// The policy, its rule and its filter go; the ISAKMP and negotiation policies stay behind.
void DeleteFromStore(RegistryStore& registry, const IpsecPolicy& p) {
    for (const std::string* object : {&p.policyKey, &p.nfaKey, &p.filterKey}) registry.DeleteKey(kHklm, PathOf(*object));
    const auto active = registry.Value(kHklm, kStore, "ActivePolicy");
    if (active && DecodeRegString(active->data) == PathOf(p.policyKey)) {
        if (auto node = registry.Find(kHklm, kStore)) node->values.erase("ActivePolicy");
    }
}

}  // namespace

std::uint32_t RunIpsecTool(Machine& machine, RegistryStore& registry, const std::vector<std::string>& args) {
    // Each option takes the words up to the next option ("-n ESP[3DES,SHA]3600S INPASS" takes two).
    std::map<std::string, std::string> options;
    std::string* value = nullptr;
    for (const std::string& word : args) {
        if (IsOption(word)) {
            value = &options[word];
        } else if (!value) {
            return kUsageError;
        } else {
            if (!value->empty()) *value += ' ';
            *value += word;
        }
    }
    if (options["-w"] != "REG" || !options.contains("-p")) return kUsageError;
    const std::string name = options["-p"];

    if (options.contains("-o")) {  // -y -o unassigns first; the policy goes either way
        const auto it = machine.ipsecPolicies.find(name);
        if (it == machine.ipsecPolicies.end()) return 0;
        DeleteFromStore(registry, it->second);
        machine.ipsecPolicies.erase(it);
        machine.journal.Note("ipsec", "policy " + name + " deleted");
        return 0;
    }
    if (!options.contains("-f")) return kUsageError;
    if (const auto old = machine.ipsecPolicies.find(name); old != machine.ipsecPolicies.end())
        DeleteFromStore(registry, old->second);
    IpsecPolicy& policy = machine.ipsecPolicies[name];
    policy.policyKey = NewObject(machine, "ipsecPolicy");
    policy.isakmpKey = NewObject(machine, "ipsecISAKMPPolicy");
    policy.nfaKey = NewObject(machine, "ipsecNFA");
    policy.negotiationKey = NewObject(machine, "ipsecNegotiationPolicy");
    policy.filterKey = NewObject(machine, "ipsecFilter");
    policy.assigned = options.contains("-x");
    policy.rule = options["-r"];
    policy.filter = options["-f"];
    policy.negotiation = options["-n"];
    policy.ikeLifetime = options["-1k"];
    policy.ikeSecurity = options["-1s"];
    policy.authentication = options["-a"];
    WriteToStore(registry, name, policy);
    machine.journal.Note("ipsec", "policy " + name + (policy.assigned ? " created and assigned: " : " created: ") +
                                      policy.filter);
    return 0;
}

}  // namespace zelta::sim
