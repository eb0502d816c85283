// dial.exe's entry point and composition root: the real Windows platform, the process's log, and the
// start-up decision.
#include <windows.h>

#include "common/log.h"
#include "dialer/dialer_app.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zelta::win32::Win32Platform os;
    zelta::Log log(os.platform());
    zelta::DialerApp app(os.platform(), log);
    app.InitInstance();
    return 0;
}
