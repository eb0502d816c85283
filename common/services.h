// Windows services, as the product uses them. (Stopping and starting come with the IPsec
// preparation.)
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace zelta {

// 1 when a service of that name can be opened for status queries, else 0.
int ServiceExists(Platform& platform, std::string_view name);

}  // namespace zelta
