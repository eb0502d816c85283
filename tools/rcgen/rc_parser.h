// Reads the subset of the resource-script language our .rc files use: #define'd ids, LANGUAGE,
// DIALOGEX with its control statements, MENU with POPUP and MENUITEM, STRINGTABLE, ICON, and
// #include of further scripts. Anything else is an error naming file and line, never skipped.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/sim/resource_set.h"

namespace zelta {

class RcError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses `path` (and the headers and scripts it includes, found next to it).
ResourceSet ParseResourceScript(const std::string& path);

// The same from text, for tests; `readInclude` resolves #include by name.
using IncludeReader = std::function<std::string(const std::string& name)>;
ResourceSet ParseResourceText(const std::string& text, const std::string& name, IncludeReader readInclude = {});

}  // namespace zelta
