// The helper service's IPsec preparation and its undoing.
#include "service/ipsec_requests.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta {

int IpsecRequests::Prepare(DialerSettings& settings) {
    StoppedServices now;
    const int rc = PrepareIpsecService(settings, &now);
    // A redial prepares again; a service stopped the first time is not running the second.
    for (std::string& name : now) {
        const bool known = std::any_of(m_stopped.begin(), m_stopped.end(),
                                       [&](const std::string& s) { return EqualsNoCase(s, name); });
        if (!known) m_stopped.push_back(std::move(name));
    }
    return rc;
}

void IpsecRequests::RestartStopped(ServiceManager& services, Clock& clock, Log& log) {
    StoppedServices stopped = std::move(m_stopped);
    m_stopped.clear();
    for (auto it = stopped.rbegin(); it != stopped.rend(); ++it) {
        const int rc = StartServiceByName(services, clock, log, *it);
        log.LogMessage(log_level::kMain, "ZeltaService: restarting %s: %s\n", it->c_str(),
                       rc == -1 ? "failed" : "running");
    }
}

}  // namespace zelta
