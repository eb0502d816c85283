// The real Registry: the wide Reg* calls.
#pragma once

#include "platform/registry.h"

namespace zelta::win32 {

class Win32Registry final : public Registry {
public:
    Win32Error OpenKey(RegistryRoot root, std::string_view path, RegAccess access,
                       std::unique_ptr<RegistryKey>& out) override;
    Win32Error CreateKey(RegistryRoot root, std::string_view path, RegAccess access,
                         std::unique_ptr<RegistryKey>& out) override;
    Win32Error ProtectKey(RegistryRoot root, std::string_view path) override;
};

}  // namespace zelta::win32
