// DialerProcess: what exists once per dial.exe process, under the names the rest of the dialer
// knows: the platform, the log, and the process-wide flags the window, its timers and the dial
// events share. One object, made by DialerMain, so that a test can start a fresh process.
#pragma once

#include <cstdint>
#include <string>

#include "common/log.h"
#include "platform/platform.h"

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
};

}  // namespace zelta
