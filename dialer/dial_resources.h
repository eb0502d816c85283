// dial.exe's resources as data, generated at build time from dial.rc for the simulated host.
#pragma once

#include "platform/sim/resource_set.h"

namespace zelta {

const ResourceSet& DialResources();

}  // namespace zelta
