// Implements platform/win32/message_guard.h.
#include "platform/win32/message_guard.h"

namespace zelta::win32 {
namespace {

// The innermost dialog's guards on this thread; the chain runs outward through m_outer.
thread_local GuardedEdits* t_guards = nullptr;

LRESULT CALLBACK DropTimerCallbacks(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message && message->message == WM_TIMER && message->lParam != 0) return TRUE;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// What a password box answers only to its own thread: its text, its length (a step towards reading it),
// its mask, and a copy to the clipboard.
bool RevealsSecret(UINT message) {
    switch (message) {
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case EM_GETLINE:
        case EM_SETPASSWORDCHAR:
        case WM_COPY:
            return true;
        default:
            return false;
    }
}

}  // namespace

TimerCallbackFilter::TimerCallbackFilter()
    : m_hook(::SetWindowsHookExW(WH_MSGFILTER, &DropTimerCallbacks, nullptr, ::GetCurrentThreadId())) {}

TimerCallbackFilter::~TimerCallbackFilter() {
    if (m_hook) ::UnhookWindowsHookEx(m_hook);
}

GuardedEdits::GuardedEdits() : m_outer(t_guards) { t_guards = this; }

GuardedEdits::~GuardedEdits() {
    for (GuardedEdits** link = &t_guards; *link; link = &(*link)->m_outer) {
        if (*link == this) {
            *link = m_outer;
            break;
        }
    }
}

void GuardedEdits::Guard(HWND dialog) { ::EnumChildWindows(dialog, &GuardChild, reinterpret_cast<LPARAM>(this)); }

BOOL CALLBACK GuardedEdits::GuardChild(HWND child, LPARAM self) {
    auto& guards = *reinterpret_cast<GuardedEdits*>(self);  // our own pointer, from Guard above
    wchar_t kind[16] = {};
    if (!::GetClassNameW(child, kind, 16) || ::lstrcmpiW(kind, L"Edit") != 0 || guards.Find(child)) return TRUE;
    const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(child, GWLP_WNDPROC));
    const bool secret = (::GetWindowLongW(child, GWL_STYLE) & ES_PASSWORD) != 0;
    guards.m_edits.push_back(Edit{child, original, secret});
    ::SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    return TRUE;
}

GuardedEdits::Edit* GuardedEdits::Find(HWND control) {
    for (Edit& edit : m_edits)
        if (edit.control == control) return &edit;
    return nullptr;
}

LRESULT CALLBACK GuardedEdits::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Edit* edit = nullptr;
    for (GuardedEdits* guards = t_guards; guards && !edit; guards = guards->m_outer) edit = guards->Find(hwnd);
    if (!edit) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == EM_SETWORDBREAKPROC) return 0;
    // A sent message runs on this thread whoever sent it; InSendMessage tells one from another thread.
    if (edit->secret && RevealsSecret(message) && ::InSendMessage()) return 0;
    const LRESULT result = ::CallWindowProcW(edit->original, hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) edit->control = nullptr;  // its handle may soon name another window
    return result;
}

}  // namespace zelta::win32
