// HelperService: the privileged helper behind "\\.\pipe\zeltavpn". Its pipe takes several clients
// at once and it answers them one at a time: the dialer's three requests and nothing else, the
// second and third only from its own account; starts the dialer at boot and at log-on, and
// logs every request with the account that sent it. Runs as the service's main function.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/platform.h"
#include "service/dialer_starter.h"
#include "service/ipsec_requests.h"
#include "service/refusal_log.h"
#include "service/service_request.h"
#include "service/session_watch.h"

namespace zelta {

// Who may use the pipe: the system account and administrators fully, users at this machine to send
// requests (never to create an instance of their own), nobody from the network.
PipeSecurity HelperPipeSecurity();

class HelperService {
public:
    static constexpr std::uint32_t kTickMs = 2000;         // how often the desktop and pending starts are looked at
    static constexpr std::uint32_t kRequestWaitMs = 1000;  // a client that says nothing for this long is dropped
    static constexpr std::uint32_t kPipeInstances = 8;     // clients the pipe holds at once
    static constexpr std::uint32_t kPendingStartMs = 30000;  // a start at log-on waits this long for the old copy to go

    HelperService(Platform& platform, Log& log, bool sessionNotifications);

    // The service's life: creates the pipe, reports running, serves until stopped or shut down.
    void Run(ServiceRuntime& runtime);

    // One client: reads its request (or drops it), answers, logs. False when the service must stop
    // serving at once (it could not stop acting as the client).
    bool Serve(PipeConnection& connection);

    // The answer to one well-formed request from `client`.
    std::uint8_t Answer(const ServiceRequest& request, const PipeClient& client);

    // Changes of the log-on screen and log-ons, from a look at the desktop or from a control.
    void OnSessionChange(const SessionChange& change);
    // The start that waits for a log-on or a log-on screen, tried again now.
    void TryPendingStart();

    SessionWatch& sessions() { return m_sessions; }

private:
    struct PendingStart {
        DialerDesktop desktop = DialerDesktop::User;
        std::uint32_t session = 0;
        std::uint32_t since = 0;  // tick count
    };

    // Takes every waiting control; true when one of them ends the service.
    bool TakeControls(ServiceRuntime& runtime);
    void Tick();
    DialerSettings LoadSettings();
    void Fatal(ServiceRuntime& runtime, Win32Error code, const std::string& what);

    Platform& m_platform;
    Log& m_log;
    DialerStarter m_starter;
    SessionWatch m_sessions;
    IpsecRequests m_ipsec;
    RefusalLog m_refusals;
    std::optional<PendingStart> m_pending;
    std::uint32_t m_lastTick = 0;
};

}  // namespace zelta
