// Requests 2 and 4: clearing the way for IPsec before the dialer's L2TP dial, with the same code the
// custom-dial library runs for its own dial, and starting again afterwards what that stopped.
#pragma once

#include "common/dialer_settings.h"
#include "common/services.h"

namespace zelta {

class IpsecRequests {
public:
    // Request 2: stops the other vendors' VPN services and makes sure the policy agent runs.
    // 0, or -1 when the agent could not be started. What it stopped that was running is remembered.
    int Prepare(DialerSettings& settings);

    // Request 4: starts again what the preparations since the last call stopped, the service that
    // was stopped last first (a service before the dependants stopped ahead of it), then forgets it.
    void RestartStopped(ServiceManager& services, Clock& clock, Log& log);

    const StoppedServices& stopped() const { return m_stopped; }

private:
    StoppedServices m_stopped;
};

}  // namespace zelta
