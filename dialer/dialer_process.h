// DialerProcess: what exists once per dial.exe process, under the names the rest of the dialer
// knows: the platform, the log, and the process-wide flags the window, its timers and the dial
// events share. One object, made by DialerMain, so that a test can start a fresh process.
#pragma once

#include <cstdint>
#include <string>

#include "common/log.h"
#include "platform/platform.h"
#include "platform/remote_access.h"

namespace zelta {

struct DialerProcess {
    explicit DialerProcess(Platform& os) : platform(os), log(os) {}
    DialerProcess(const DialerProcess&) = delete;
    DialerProcess& operator=(const DialerProcess&) = delete;

    Platform& platform;
    Log log;
    std::string g_strNotice;         // the About box's notice line, from "COPYRIGHT"
    bool g_bExiting = false;         // the window is being destroyed: timers do nothing more
    bool g_bSessionClosing = false;  // the desktop check is ending the window: leave the link alone
    RasConnectionHandle g_hdl;       // the current or last dial's connection, none when 0
    bool dialUnderWay = false;       // our RasDial runs: from the call to its connection, failure or hang-up
    bool g_uRetryTimer = false;      // window timer 2 is running
    bool g_uStatusTimer = false;     // window timer 1 is running
};

}  // namespace zelta
