// ZeltaService.exe's entry point and composition root: the real Windows platform, handed to the
// service's command line.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "service/messages.h"
#include "service/service_events.h"
#include "service/service_main.h"

static_assert(MSG_SERVICE_STARTED == zelta::service_event::kStarted, "messages.mc and service_events.h disagree");
static_assert(MSG_SERVICE_STOPPED == zelta::service_event::kStopped, "messages.mc and service_events.h disagree");
static_assert(MSG_SERVICE_FAILED == zelta::service_event::kFailed, "messages.mc and service_events.h disagree");
static_assert(MSG_PROGRAM_REFUSED == zelta::service_event::kProgramRefused, "messages.mc and service_events.h disagree");

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(zelta::win32::Narrow(argv[i]));
    zelta::win32::Win32Platform os;
    return zelta::ZeltaServiceMain(os.platform(), args);
}
