// ServiceHost: a program's side of the service control manager, for a program that runs as a
// service of its own process. Implemented by platform/win32/service_host.cpp and
// platform/sim/service_host.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/service_manager.h"
#include "platform/win32_error.h"

namespace zelta {

// What the service control manager asked of the service.
enum class ServiceControlKind {
    Stop,           // SERVICE_CONTROL_STOP
    Shutdown,       // SERVICE_CONTROL_SHUTDOWN: the machine goes down
    SessionLogon,   // SERVICE_CONTROL_SESSIONCHANGE with WTS_SESSION_LOGON
    SessionLogoff,  // SERVICE_CONTROL_SESSIONCHANGE with WTS_SESSION_LOGOFF
};

struct ServiceControlEvent {
    ServiceControlKind kind = ServiceControlKind::Stop;
    std::uint32_t session = 0;  // the session of a log-on or log-off
};

// Given to the service's main function for as long as it runs.
class ServiceRuntime {
public:
    virtual ~ServiceRuntime() = default;

    // SetServiceStatus. A running service accepts stop and shutdown, and the session changes when
    // it asked for them; `waitHintMs` tells how long a pending state may last.
    virtual Win32Error ReportStatus(ServiceState state, Win32Error exitCode = 0, std::uint32_t waitHintMs = 0) = 0;

    // The oldest control not taken yet, if any. Never blocks: the pipe waits return
    // pipe_error::kOperationAborted when one is waiting.
    virtual std::optional<ServiceControlEvent> TakeControl() = 0;
};

class ServiceHost {
public:
    virtual ~ServiceHost() = default;

    // StartServiceCtrlDispatcher for the one service `name` of this process. When the service
    // control manager started the process, runs `serviceMain` (on a thread of its own on Windows,
    // while controls arrive on the caller's) and returns kSuccess once it has returned; the service
    // reports its own states, and is reported stopped if it did not say so itself. Asks for session
    // change notifications when `sessionChanges` is set (Windows XP has them, Windows 2000 refuses
    // the request). Returns service_error::kFailedServiceControllerConnect at once when the process
    // was started any other way.
    virtual Win32Error Run(std::string_view name, bool sessionChanges,
                           const std::function<void(ServiceRuntime&)>& serviceMain) = 0;
};

}  // namespace zelta
