// The real RemoteAccess: the wide Ras* calls on the default phonebook.
#pragma once

#include "platform/remote_access.h"

namespace zelta::win32 {

class Win32RemoteAccess final : public RemoteAccess {
public:
    Win32Error ValidateEntryName(std::string_view entry) override;
    Win32Error GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) override;
    Win32Error SetEntryProperties(std::string_view entry, const RasEntry& value) override;
    Win32Error EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) override;
    Win32Error DeleteEntry(std::string_view entry) override;
};

}  // namespace zelta::win32
