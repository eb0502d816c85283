// ZeltaServiceMain: what ZeltaService.exe does with its command line. The Windows entry point and the
// simulated machine both run it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace zelta {

// "-install", "-remove", or nothing: then the program is the service, when the service control
// manager started it; started any other way it prints its usage and returns 2.
int ZeltaServiceMain(Platform& platform, const std::vector<std::string>& args);

}  // namespace zelta
