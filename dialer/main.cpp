// dial.exe's entry point and composition root: the real Windows platform, handed to the dialer.
#include <windows.h>

#include "dialer/dialer_main.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zelta::win32::Win32Platform os;
    return zelta::DialerMain(os.platform());
}
