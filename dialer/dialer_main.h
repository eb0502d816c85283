// DialerMain: the whole run of one dial.exe process on a given platform. The Windows entry point
// calls it with the real platform; zelta-campus with a simulated process's.
#pragma once

#include "platform/platform.h"

namespace zelta {

int DialerMain(Platform& platform);

}  // namespace zelta
