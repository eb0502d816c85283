// zeltavpn.dll's resources as data, generated at build time from zeltavpn.rc for the simulated host.
#pragma once

#include "platform/sim/resource_set.h"

namespace zelta {

const ResourceSet& ZeltavpnResources();

}  // namespace zelta
