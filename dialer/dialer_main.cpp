// DialerMain: the process's log, then the start-up decision.
#include "dialer/dialer_main.h"

#include "common/log.h"
#include "dialer/dialer_app.h"

namespace zelta {

int DialerMain(Platform& platform) {
    Log log(platform);
    DialerApp app(platform, log);
    app.InitInstance();
    return 0;  // the framework's FALSE from InitInstance: the program ends
}

}  // namespace zelta
