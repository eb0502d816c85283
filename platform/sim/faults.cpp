// Faults: injected failures of simulated calls.
#include "platform/sim/faults.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta::sim {
namespace {

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return true;
    }
    return false;
}

}  // namespace

void Faults::Inject(std::string call, Win32Error code, std::string match, int times, int after) {
    if (times == 0) return;
    m_rules.push_back(Rule{std::move(call), std::move(match), code, times, std::max(after, 0)});
}

void Faults::Clear() { m_rules.clear(); }

std::optional<Win32Error> Faults::Check(std::string_view call, std::string_view argument) {
    for (auto it = m_rules.begin(); it != m_rules.end(); ++it) {
        if (!EqualsNoCase(it->call, call) || !ContainsNoCase(argument, it->match)) continue;
        if (it->passes > 0) {
            --it->passes;
            continue;
        }
        const Win32Error code = it->code;
        m_fired.push_back(std::string(call) + "(" + std::string(argument) + ") = " + std::to_string(code));
        if (m_journal) m_journal->Note("fault", m_fired.back());
        if (it->remaining > 0 && --it->remaining == 0) m_rules.erase(it);
        return code;
    }
    return std::nullopt;
}

}  // namespace zelta::sim
