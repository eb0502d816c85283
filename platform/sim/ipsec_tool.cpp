// The IPsec command-line tools of the simulated machine: edit the local policy store.
#include <map>

#include "platform/sim/programs.h"

namespace zelta::sim {
namespace {

constexpr std::uint32_t kUsageError = 1;

bool IsOption(const std::string& word) {
    static const char* const kOptions[] = {"-w", "-p", "-f", "-n", "-1k", "-1s", "-r", "-a", "-y", "-o", "-x"};
    for (const char* option : kOptions)
        if (word == option) return true;
    return false;
}

}  // namespace

std::uint32_t RunIpsecTool(Machine& machine, const std::vector<std::string>& args) {
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
        if (machine.ipsecPolicies.erase(name) > 0) machine.journal.Note("ipsec", "policy " + name + " deleted");
        return 0;
    }
    if (!options.contains("-f")) return kUsageError;
    IpsecPolicy& policy = machine.ipsecPolicies[name];
    policy.assigned = options.contains("-x");
    policy.rule = options["-r"];
    policy.filter = options["-f"];
    policy.negotiation = options["-n"];
    policy.ikeLifetime = options["-1k"];
    policy.ikeSecurity = options["-1s"];
    policy.authentication = options["-a"];
    machine.journal.Note("ipsec", "policy " + name + (policy.assigned ? " created and assigned: " : " created: ") +
                                      policy.filter);
    return 0;
}

}  // namespace zelta::sim
