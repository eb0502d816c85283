// Implements platform/win32/message_guard.h.
#include "platform/win32/message_guard.h"

namespace zelta::win32 {
namespace {

constexpr wchar_t kOriginalProc[] = L"ZeltaEditProc";

LRESULT CALLBACK DropTimerCallbacks(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message && message->message == WM_TIMER && message->lParam != 0) return TRUE;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK GuardedEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kOriginalProc));
    if (!original) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == EM_SETWORDBREAKPROC) return 0;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropW(hwnd, kOriginalProc);
    }
    return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
}

BOOL CALLBACK GuardIfEdit(HWND child, LPARAM) {
    wchar_t kind[16] = {};
    if (::GetClassNameW(child, kind, 16) && ::lstrcmpiW(kind, L"Edit") == 0 && !::GetPropW(child, kOriginalProc)) {
        const LONG_PTR original = ::GetWindowLongPtrW(child, GWLP_WNDPROC);
        ::SetPropW(child, kOriginalProc, reinterpret_cast<HANDLE>(original));
        ::SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GuardedEditProc));
    }
    return TRUE;
}

}  // namespace

TimerCallbackFilter::TimerCallbackFilter()
    : m_hook(::SetWindowsHookExW(WH_MSGFILTER, &DropTimerCallbacks, nullptr, ::GetCurrentThreadId())) {}

TimerCallbackFilter::~TimerCallbackFilter() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
}

void GuardEditControls(HWND dialog) { ::EnumChildWindows(dialog, &GuardIfEdit, 0); }

}  // namespace zelta::win32
