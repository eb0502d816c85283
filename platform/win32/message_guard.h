// What the dialer's windows refuse from other programs on the desktop: it runs in the system
// account, and a message that carries a code address must not make it run that code, nor may another
// program read or unmask a password box. Compiled only for Windows.
#pragma once

#include <windows.h>

#include <vector>

namespace zelta::win32 {

// For as long as it lives, drops every WM_TIMER that names a callback (lParam): DispatchMessage
// would call it in our process. The product's own timers never name one. Installed as a message
// filter, which dialog boxes, message boxes and menus consult before they dispatch.
class TimerCallbackFilter {
public:
    TimerCallbackFilter();
    ~TimerCallbackFilter();
    TimerCallbackFilter(const TimerCallbackFilter&) = delete;
    TimerCallbackFilter& operator=(const TimerCallbackFilter&) = delete;

private:
    HHOOK m_hook;
};

// The edit controls of one dialog, subclassed. Every one refuses EM_SETWORDBREAKPROC (a code address
// as its word-break callback); a password box (ES_PASSWORD when the dialog was made) also refuses to
// give its text or lose its mask to a message sent from another thread. The original procedures are
// kept here, in the program's own memory: a window property or a window's user data could be set by
// any program on the desktop. Lives on the stack of the thread that runs the dialog, and registers
// itself there for the controls' procedure to find.
class GuardedEdits {
public:
    GuardedEdits();
    ~GuardedEdits();
    GuardedEdits(const GuardedEdits&) = delete;
    GuardedEdits& operator=(const GuardedEdits&) = delete;

    // Subclasses every edit child of `dialog` not guarded yet.
    void Guard(HWND dialog);

private:
    struct Edit {
        HWND control;
        WNDPROC original;
        bool secret;
    };
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static BOOL CALLBACK GuardChild(HWND child, LPARAM self);
    Edit* Find(HWND control);

    std::vector<Edit> m_edits;
    GuardedEdits* m_outer;  // the guards of the dialogs this thread opened before this one
};

}  // namespace zelta::win32
