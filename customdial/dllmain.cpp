// zeltavpn.dll's entry point and composition root. The library runs inside other programs'
// processes, so it keeps one platform for the life of the process.
#include <windows.h>

#include <new>

#include "platform/win32/win32_platform.h"

namespace {

// The library's per-process state; built on process attach and gone on detach. Its settings record
// and entry points join it as they are built.
zelta::win32::Win32Platform* g_pPlatform = nullptr;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(instance);
            g_pPlatform = new (std::nothrow) zelta::win32::Win32Platform(instance);
            return g_pPlatform != nullptr;
        case DLL_PROCESS_DETACH:
            delete g_pPlatform;
            g_pPlatform = nullptr;
            break;
        default:
            break;
    }
    return TRUE;
}
