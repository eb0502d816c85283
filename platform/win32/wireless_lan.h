// The real WirelessLan: wlanapi.dll, loaded from the system directory at run time (Windows Vista and
// later have it; XP's is another API and 2000 has none).
#pragma once

#include "platform/wireless_lan.h"

namespace zelta::win32 {

class Win32WirelessLan final : public WirelessLan {
public:
    Win32Error CurrentLink(std::string_view adapterName, WlanLink& out) override;
    Win32Error BssList(std::string_view adapterName, std::vector<WlanBss>& out) override;
};

}  // namespace zelta::win32
