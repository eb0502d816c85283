// The helper service's life and its three requests.
#include "service/helper_service.h"

#include <string>

#include "common/shared_names.h"
#include "service/service_events.h"

namespace zelta {
namespace {

const char* OutcomeText(StartOutcome outcome) {
    switch (outcome) {
        case StartOutcome::Started: return "dialer started";
        case StartOutcome::AlreadyRunning: return "a dialer runs already";
        case StartOutcome::TooSoon: return "a dialer was started less than 5 seconds ago";
        case StartOutcome::Failed: break;
    }
    return "no dialer started";
}

const char* WhereText(DialerDesktop desktop) { return desktop == DialerDesktop::Logon ? "the log-on screen" : "the log-on"; }

void Report(Platform& platform, EventType type, std::uint32_t id, std::span<const std::string> strings = {}) {
    platform.eventLog.Report(kEventSource, type, id, strings);
}

}  // namespace

PipeSecurity HelperPipeSecurity() {
    return PipeSecurity{Principal::LocalSystem,
                        {{false, Principal::NetworkLogons, pipe_access::kFullControl},
                         {true, Principal::LocalSystem, pipe_access::kFullControl},
                         {true, Principal::Administrators, pipe_access::kFullControl},
                         {true, Principal::InteractiveUsers, pipe_access::kReadWrite}}};
}

HelperService::HelperService(Platform& platform, Log& log, bool sessionNotifications)
    : m_platform(platform),
      m_log(log),
      m_starter(platform, log),
      m_sessions(platform.system, sessionNotifications),
      m_refusals(platform.clock, log) {}

DialerSettings HelperService::LoadSettings() {
    // Read afresh for every decision: an administrator's change counts from the next request on.
    DialerSettings settings(m_platform, m_log, DialerSettings::ExtranetProbe::Skip);
    settings.Load();
    return settings;
}

void HelperService::Fatal(ServiceRuntime& runtime, Win32Error code, const std::string& what) {
    m_log.LogMessage(log_level::kMain, "ZeltaService: %s, error %u; the service stops\n", what.c_str(), code);
    const std::string strings[] = {what + " (error " + std::to_string(code) + ")"};
    Report(m_platform, EventType::Error, service_event::kFailed, strings);
    runtime.ReportStatus(ServiceState::Stopped, code);
}

void HelperService::Run(ServiceRuntime& runtime) {
    runtime.ReportStatus(ServiceState::StartPending, 0, 5000);
    LoadSettings();  // switches the log on

    std::unique_ptr<PipeServerEnd> pipe;
    const PipeServing serving{kPipeInstances, kLargestRequest, kRequestWaitMs};
    if (const Win32Error rc = m_platform.pipes.CreateServer(kServicePipeName, HelperPipeSecurity(), serving, pipe);
        rc != err::kSuccess) {
        // Never serve under a name somebody else holds: its clients would be talking to them.
        const bool taken = rc == err::kAccessDenied || rc == err::kPipeBusy;
        Fatal(runtime, rc, taken ? "another program created \\\\.\\pipe\\zeltavpn first"
                                 : "\\\\.\\pipe\\zeltavpn cannot be created");
        return;
    }
    runtime.ReportStatus(ServiceState::Running);
    m_log.LogMessage(log_level::kMain, "ZeltaService: started\n");
    Report(m_platform, EventType::Information, service_event::kStarted);

    Tick();  // what the machine is doing as the service starts: the log-on screen, or a user's session
    for (bool stop = false; !stop;) {
        std::unique_ptr<PipeConnection> client;
        const Win32Error rc = pipe->WaitForClient(kTickMs, client);
        if (rc == err::kSuccess) {
            const bool goOn = Serve(*client);
            client.reset();
            if (!goOn) {
                pipe.reset();
                Fatal(runtime, pipe_error::kCannotRevert, "the service could not stop acting as a client");
                return;
            }
        } else if (rc != pipe_error::kWaitTimeout && rc != pipe_error::kOperationAborted) {
            m_log.LogMessage(log_level::kVerbose, "ZeltaService: waiting for a client failed, error %u\n", rc);
            m_platform.clock.Sleep(250);  // never a busy loop over a pipe that keeps failing
        }
        stop = TakeControls(runtime);
        if (!stop && m_platform.clock.TickCount() - m_lastTick >= kTickMs) Tick();
    }

    runtime.ReportStatus(ServiceState::StopPending, 0, 3000);
    pipe.reset();
    m_refusals.CatchUp();
    m_log.LogMessage(log_level::kMain, "ZeltaService: stopped\n");
    Report(m_platform, EventType::Information, service_event::kStopped);
    runtime.ReportStatus(ServiceState::Stopped);
}

bool HelperService::TakeControls(ServiceRuntime& runtime) {
    while (const auto control = runtime.TakeControl()) {
        if (control->kind == ServiceControlKind::Stop || control->kind == ServiceControlKind::Shutdown) {
            m_log.LogMessage(log_level::kMain, "ZeltaService: %s\n",
                             control->kind == ServiceControlKind::Stop ? "asked to stop" : "the system shuts down");
            return true;
        }
        if (const auto change = m_sessions.OnControl(*control)) OnSessionChange(*change);
    }
    return false;
}

void HelperService::Tick() {
    m_lastTick = m_platform.clock.TickCount();
    if (const auto change = m_sessions.Look()) OnSessionChange(*change);
    TryPendingStart();
}

bool HelperService::Serve(PipeConnection& connection) {
    m_refusals.CatchUp();
    std::vector<std::uint8_t> request;
    const Win32Error rc = connection.Read(request);
    if (rc == pipe_error::kWaitTimeout) {
        m_refusals.Record(log_level::kMain, "ZeltaService: a client sent nothing for 1 second and was dropped\n");
        return true;
    }
    if (rc != err::kSuccess && rc != err::kMoreData) {
        m_refusals.Record(log_level::kVerbose, "ZeltaService: a client went away before its request, error %u\n", rc);
        return true;
    }

    // Impersonation needs a message read first; the client is known from here on.
    PipeClient client;
    if (const Win32Error identified = connection.Identify(client); identified != err::kSuccess) {
        if (identified == pipe_error::kCannotRevert) return false;  // never serve on as somebody else
        m_refusals.Record(log_level::kMain, "ZeltaService: cannot tell who sent a request, error %u; refused\n",
                          identified);
        const std::uint8_t failed = kReplyFailed;
        connection.Write({&failed, 1});
        return true;
    }
    if (client.network) {
        // The pipe's security keeps them out; should one get in all the same, it gets nothing.
        m_refusals.Record(log_level::kMain, "ZeltaService: refused %s, a client from the network\n",
                          LogSafe(client.account).c_str());
        return true;
    }

    std::string refusal = "longer than any request";
    auto parsed = rc == err::kMoreData ? std::nullopt : ParseRequest(request, refusal);
    if (parsed && parsed->kind != request_kind::kStartDialer && !client.ownAccount) {
        // Only the system-account dialer prepares IPsec and asks for services back.
        refusal = "only the service's own account may ask for this";
        parsed.reset();
    }
    std::uint8_t answer = kReplyFailed;
    if (!parsed) {
        m_refusals.Record(log_level::kMain, "ZeltaService: refused %s from %s (session %u): %s\n",
                          RequestBytesForLog(request).c_str(), LogSafe(client.account).c_str(), client.session,
                          refusal.c_str());
    } else {
        answer = Answer(*parsed, client);
    }
    connection.Write({&answer, 1});
    return true;
}

std::uint8_t HelperService::Answer(const ServiceRequest& request, const PipeClient& client) {
    DialerSettings settings = LoadSettings();
    const std::string account = LogSafe(client.account);  // names come from outside too
    const char* who = account.c_str();
    switch (request.kind) {
        case request_kind::kStartDialer: {
            // One dialer for the machine: the phonebook entry and the routes are the machine's.
            if (const auto elsewhere = m_starter.RunningElsewhere(client.session)) {
                m_log.LogMessage(log_level::kMain,
                                 "ZeltaService: request 1 from %s (session %u): a dialer runs already in session %u\n",
                                 who, client.session, *elsewhere);
                return kReplyDone;
            }
            const StartOutcome outcome = m_starter.Start(settings, DialerDesktop::User, client.session);
            m_log.LogMessage(log_level::kMain, "ZeltaService: request 1 from %s (session %u): %s\n", who, client.session,
                             OutcomeText(outcome));
            return outcome == StartOutcome::Failed ? kReplyFailed : kReplyDone;
        }
        case request_kind::kPrepareIpsec: {
            const int rc = m_ipsec.Prepare(settings);
            m_log.LogMessage(log_level::kMain, "ZeltaService: request 2 from %s (session %u) for %s: %s\n", who,
                             client.session, request.serverAddress.c_str(),
                             rc == 0 ? "IPsec prepared" : "the IPsec policy agent did not start");
            return rc == 0 ? kReplyDone : kReplyFailed;
        }
        case request_kind::kRestartServices:
            m_log.LogMessage(log_level::kMain, "ZeltaService: request 4 from %s (session %u): %u service(s) to start again\n",
                             who, client.session, static_cast<unsigned>(m_ipsec.stopped().size()));
            m_ipsec.RestartStopped(m_platform.services, m_platform.clock, m_log);
            return kReplyDone;
        default:
            return kReplyFailed;  // ParseRequest lets no other kind through
    }
}

void HelperService::OnSessionChange(const SessionChange& change) {
    const bool logonScreen = change.kind == SessionChange::Kind::LogonScreen;
    m_log.LogMessage(log_level::kMain, logonScreen ? "ZeltaService: the log-on screen shows in session %u\n"
                                                   : "ZeltaService: a user logged on in session %u\n",
                     change.session);
    const DialerSettings settings = LoadSettings();
    if (!settings.LaunchAtBoot() || (logonScreen && !settings.winlogon)) {
        m_pending.reset();
        return;
    }
    m_pending = PendingStart{logonScreen ? DialerDesktop::Logon : DialerDesktop::User, change.session,
                             m_platform.clock.TickCount()};
    TryPendingStart();
}

void HelperService::TryPendingStart() {
    if (!m_pending) return;
    const StartOutcome outcome = m_starter.Start(LoadSettings(), m_pending->desktop, m_pending->session);
    if (outcome == StartOutcome::TooSoon) return;
    if (outcome == StartOutcome::AlreadyRunning) {
        // The log-on screen's dialer leaves within seconds of a log-on; the user's then starts.
        if (m_platform.clock.TickCount() - m_pending->since <= kPendingStartMs) return;
        m_log.LogMessage(log_level::kMain, "ZeltaService: a dialer runs already in session %u; none started for %s\n",
                         m_pending->session, WhereText(m_pending->desktop));
    }
    m_pending.reset();
}

}  // namespace zelta
