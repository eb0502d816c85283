// dial.exe's entry point and composition root: the real Windows implementations of the platform,
// handed to the dialer.
#include <windows.h>

#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zelta::win32::Win32Platform os;
    // The dialer's start-up roads are wired here as they are built; until then the program
    // only proves that the real platform links and constructs.
    (void)os.platform();
    return 0;
}
