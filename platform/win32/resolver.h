// The real Resolver: gethostbyname.
#pragma once

#include "platform/resolver.h"

namespace zelta::win32 {

class Win32Resolver final : public Resolver {
public:
    Win32Error Resolve(std::string_view hostName, Ipv4& out) override;
};

}  // namespace zelta::win32
