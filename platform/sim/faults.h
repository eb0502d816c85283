// Faults: any simulated call can be told to fail with a given Win32 code, so that every failure
// path of the product can be driven from a test or a scenario.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/journal.h"
#include "platform/win32_error.h"

namespace zelta::sim {

class Faults {
public:
    // From now on the Win32 call `call` ("RegOpenKeyEx", "CreateFile", "gethostbyname"...; no A/W
    // suffix, any case) fails with `code` whenever its argument contains `match` (any case; empty
    // matches everything). `times` limits how often it fires; negative means for ever, and 0 adds
    // no fault. The first `after` calls that match pass as if there were no fault.
    void Inject(std::string call, Win32Error code, std::string match = {}, int times = -1, int after = 0);
    void Clear();

    // Asked by the simulated calls themselves: the code to fail with, if a fault applies.
    std::optional<Win32Error> Check(std::string_view call, std::string_view argument = {});

    // Every call that failed through an injected fault, as "call(argument) = code".
    const std::vector<std::string>& Fired() const { return m_fired; }

    void SetJournal(const Journal* journal) { m_journal = journal; }

private:
    struct Rule {
        std::string call;
        std::string match;
        Win32Error code;
        int remaining;
        int passes;  // matching calls still to let through
    };
    std::vector<Rule> m_rules;
    std::vector<std::string> m_fired;
    const Journal* m_journal = nullptr;
};

}  // namespace zelta::sim
