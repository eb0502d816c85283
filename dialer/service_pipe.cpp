// Requests 1, 2 and 4 to the helper service.
#include "dialer/service_pipe.h"

#include <vector>

namespace zelta {
namespace {

constexpr std::size_t kReplyCapacity = 1024;
constexpr std::uint32_t kRequest2WaitMs = 5000;

// Only the service, running in the system account, creates the pipe with such an owner; a pipe that
// anybody else made is a stranger's, and the call fails before it writes.
bool OwnedBySystem(const PipeOwner& owner) {
    return owner.principal == Principal::LocalSystem || owner.principal == Principal::Administrators;
}

// One transaction with the helper service: what CallNamedPipe does, in its steps, with the owner
// checked before a byte is written.
Win32Error CallServicePipe(NamedPipe& pipes, Log& log, std::span<const std::uint8_t> request, std::uint32_t wait,
                           std::vector<std::uint8_t>& reply) {
    std::unique_ptr<PipeClientEnd> pipe;
    if (const Win32Error rc = pipes.Open(kServicePipeName, wait, pipe); rc != err::kSuccess) return rc;
    PipeOwner owner;
    if (const Win32Error rc = pipe->Owner(owner); rc != err::kSuccess) return rc;
    if (!OwnedBySystem(owner)) {
        log.LogMessage(log_level::kMain, "Helper service pipe refused: it belongs to %s, not to the system\n",
                       owner.sid.c_str());
        return err::kAccessDenied;
    }
    return pipe->Transact(request, kReplyCapacity, reply);
}

void FireAndForget(NamedPipe& pipes, Log& log, std::uint8_t kind) {
    const std::uint8_t request[2] = {kind, 0};
    std::vector<std::uint8_t> reply;
    CallServicePipe(pipes, log, request, pipe_wait::kNoWait, reply);
}

}  // namespace

void NotifyServiceUserStart(NamedPipe& pipes, Log& log) { FireAndForget(pipes, log, 1); }

void NotifyServiceDisconnect(NamedPipe& pipes, Log& log) { FireAndForget(pipes, log, 4); }

int StartIpsecViaService(DialerSettings& settings) {
    Platform& platform = settings.platform();
    Log& log = settings.log();

    log.LogMessage(log_level::kMain, "DNS = %s\n", settings.dnsName.c_str());
    // A name that begins with a letter is a host name; anything else is taken as an address already.
    const char first = settings.dnsName.empty() ? '\0' : settings.dnsName[0];
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) {
        Ipv4 address;
        if (platform.resolver.Resolve(settings.dnsName, address) == err::kSuccess) {
            settings.setupIp = address.ToString();
            log.LogMessage(log_level::kMain, "DNS lookup resulted from %s to %s\n", settings.dnsName.c_str(),
                           settings.setupIp.c_str());
        }
    }

    if (!Ipv4::ParseCanonical(settings.setupIp)) {
        // inet_addr would read "010.1.0.1" as 8.1.0.1: the policy and the routes would not be the
        // tunnel's, so nothing goes on with such an address.
        log.LogMessage(log_level::kMain,
                       "\"SETUPIP\" is \"%s\", not a dotted quad without leading zeros; Connect stops\n",
                       LogSafe(settings.setupIp).c_str());
        return kServerAddressUnusable;
    }
    std::vector<std::uint8_t> request{2};
    request.insert(request.end(), settings.setupIp.begin(), settings.setupIp.end());
    std::vector<std::uint8_t> reply;
    const Win32Error rc = CallServicePipe(platform.pipes, log, request, kRequest2WaitMs, reply);
    if (rc != err::kSuccess) {
        log.LogMessage(log_level::kMain, "CallNamedPipe failed %d\n", static_cast<int>(rc));
        log.LogSystemError(rc);
        return -1;
    }
    const int result = reply.empty() ? 0 : static_cast<int>(static_cast<std::int8_t>(reply[0]));
    log.LogMessage(log_level::kVerbose, "CallNamedPipe returned outbuf=%d\n", result);
    return result;
}

}  // namespace zelta
