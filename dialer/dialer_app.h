// DialerApp: the program's start-up decision. The dialer window runs only in the local system
// account; any other account makes sure the entry exists, asks the helper service for the start-up
// work, and ends. One window at a time: a second copy defers to the first.
#pragma once

#include "common/shared_names.h"
#include "dialer/dialer_process.h"

namespace zelta {

// Which way a start went; the program ends after every one of them.
enum class StartRoad {
    UserContext,        // not "SYSTEM": entry provisioned if missing, request 1 sent
    SecondCopy,         // another copy holds the mutex and has no window yet
    SecondCopyWindow,   // another copy holds the mutex: its window was brought forward
    NoWinsock,          // first copy, but Winsock would not start
    FirstCopy,          // first copy with Winsock: the dialer window ran until it ended
};

class DialerApp {
public:
    explicit DialerApp(DialerProcess& process) : m_process(process), m_platform(process.platform) {}

    // Decides the road and walks it. Always ends with "exit the program" (the framework's FALSE);
    // the road taken is returned for the caller and for tests.
    StartRoad InitInstance();

private:
    StartRoad UserContextStart();
    // The window in the shared section is a dialog of this program, of our account and session.
    bool IsFirstCopyWindow(WindowHandle window);
    // The instance mutex could not be claimed, and no copy of ours holds it: a stranger created it
    // first, or another kind of object has its name. Logs it.
    bool IsSquatted(Win32Error claim);

    DialerProcess& m_process;
    Platform& m_platform;
};

}  // namespace zelta
