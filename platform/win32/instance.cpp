// Implements platform/instance.h: the mutex, the shared section of the program image, Winsock.
#include "platform/win32/instance.h"

#include <winsock2.h>

#include <cstdint>

#include "platform/win32/wide.h"

// The one window handle every process running this image shares: a section with the shared
// attribute. Written once by the first copy's dialog; read by later copies to bring it forward.
__attribute__((section(".shr"), shared)) volatile std::uint32_t g_hSharedWnd = 0;

namespace zelta::win32 {

Win32Error Win32Instance::ClaimMutex(std::string_view name) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, Wide(name).c_str());
    const DWORD error = ::GetLastError();
    if (!mutex) return error ? error : ERROR_INVALID_HANDLE;
    m_mutex = mutex;
    return error == ERROR_ALREADY_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
}

WindowHandle Win32Instance::SharedWindow() { return WindowHandle{g_hSharedWnd}; }

void Win32Instance::SetSharedWindow(WindowHandle window) { g_hSharedWnd = window.value; }

Win32Error Win32Instance::StartWinsock() {
    WSADATA data;
    return static_cast<Win32Error>(::WSAStartup(MAKEWORD(1, 1), &data));
}

}  // namespace zelta::win32
