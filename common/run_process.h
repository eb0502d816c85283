// RunProcess: a console program run hidden, waited for without a time limit.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/log.h"
#include "platform/processes.h"
#include "platform/system_info.h"

namespace zelta {

// Runs "program arguments" (the program text carries its own quotes when it needs them). A program
// named bare ("route") is the system's own, run from the system directory: looked for along the
// search path it would be found first beside whichever program runs it, where a planted copy would
// run in the system account. Returns the program's exit code, or the Win32 error when it could not
// be started: a caller cannot tell a missing program (2) from an exit code of 2, and the callers here
// do not try. A program that could not be started is logged, at the main level, with the system's
// reason: the caller goes on as before, but never silently.
std::uint32_t RunProcess(Processes& processes, SystemInfo& system, Log& log, std::string_view program,
                         std::string_view arguments);

// As RunProcess, with `application` the program file run (the one checked and held by the caller);
// the command line is the same.
std::uint32_t RunProcessFile(Processes& processes, SystemInfo& system, Log& log, std::string_view application,
                             std::string_view program,
                             std::string_view arguments);

}  // namespace zelta
