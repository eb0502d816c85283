// What the dialer's windows refuse from other programs on the desktop: it runs in the system
// account, and a message that carries a code address must not make it run that code. Compiled only
// for Windows.
#pragma once

#include <windows.h>

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

// Makes every edit control of `dialog` refuse EM_SETWORDBREAKPROC, the message that would install
// a code address as the control's word-break callback.
void GuardEditControls(HWND dialog);

}  // namespace zelta::win32
