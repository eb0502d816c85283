// RemoteAccess: the Ras* calls. Declared here; entries, devices and dialing are filled in by the
// phonebook and connection work. Record "forms" are the structure sizes different Windows
// versions accept, named by their documented i686 size; platform/win32 maps each to its ABI.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_error.h"

namespace zelta {

// RASENTRY forms: the Windows XP record and the Windows 2000 one (the XP record cut before
// dwfOptions2).
enum class RasEntryForm : std::uint32_t { WindowsXp = 2884, Windows2000 = 2088 };

struct RasDevice {
    std::string type;  // "vpn", "modem", ...
    std::string name;  // "WAN Miniport (L2TP)"
};

class RemoteAccess {
public:
    virtual ~RemoteAccess() = default;

    // RasValidateEntryName in the default phonebook: kSuccess when `entry` is free to create,
    // kAlreadyExists (183) when it exists, another code when the name is not valid.
    virtual Win32Error ValidateEntryName(std::string_view entry) = 0;

    // RasEnumDevices.
    virtual Win32Error EnumDevices(std::vector<RasDevice>& out) = 0;

    // RasDeleteEntry in the default phonebook.
    virtual Win32Error DeleteEntry(std::string_view entry) = 0;
};

}  // namespace zelta
