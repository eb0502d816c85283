// Who does something in a scenario: an account in a session, with a label to name its process by
// later, and whether it comes over the network.
#pragma once

#include <cstdint>
#include <string>

#include "tools/campus/script.h"

namespace zelta::campus {

struct Who {
    std::string account;
    std::uint32_t session = 0;
    std::string label;     // `named LABEL`; empty when not given
    bool network = false;  // `from-network`
};

// Which of the words beyond `as ACCOUNT` and `session N` a statement takes.
struct WhoWords {
    bool named = true;
    bool fromNetwork = false;
};

// The words `as ACCOUNT`, `session N` and those of `words`, in any order; `account` when no `as`.
Who TakeWho(Args& a, std::string account, WhoWords words = {});

}  // namespace zelta::campus
