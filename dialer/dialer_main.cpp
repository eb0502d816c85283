// DialerMain: the process's log, then the start-up decision.
#include "dialer/dialer_main.h"

#include "dialer/dialer_app.h"
#include "dialer/dialer_process.h"

namespace zelta {

int DialerMain(Platform& platform) {
    DialerProcess process(platform);
    DialerApp app(process);
    app.InitInstance();
    return 0;  // the framework's FALSE from InitInstance: the program ends
}

}  // namespace zelta
