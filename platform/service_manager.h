// ServiceManager: the service control manager. Implemented by platform/win32/service_manager.cpp
// and platform/sim/service_manager.cpp. The status probe is here now; start, stop, configuration
// and dependants come with the service control work.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/win32_error.h"

namespace zelta {

// Service states, numbered as Windows numbers them.
enum class ServiceState : std::uint32_t {
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
    ContinuePending = 5,
    PausePending = 6,
    Paused = 7,
};

// Access rights asked for when a service is opened (the SERVICE_* bits of Windows).
namespace service_access {
inline constexpr std::uint32_t kQueryConfig = 0x0001;
inline constexpr std::uint32_t kChangeConfig = 0x0002;
inline constexpr std::uint32_t kQueryStatus = 0x0004;
inline constexpr std::uint32_t kEnumerateDependents = 0x0008;
inline constexpr std::uint32_t kStart = 0x0010;
inline constexpr std::uint32_t kStop = 0x0020;
}  // namespace service_access

struct ServiceStatus {
    ServiceState state = ServiceState::Stopped;
    std::uint32_t win32ExitCode = 0;
};

// An open service handle; the destructor closes it.
class Service {
public:
    virtual ~Service() = default;

    // QueryServiceStatus. kAccessDenied when the handle lacks kQueryStatus.
    virtual Win32Error QueryStatus(ServiceStatus& out) = 0;
};

// An open handle to the service control manager; the destructor closes it.
class ServiceControlManager {
public:
    virtual ~ServiceControlManager() = default;

    // OpenService with the given service_access bits. kServiceDoesNotExist (1060) for an unknown
    // name; `out` is set only on success.
    virtual Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) = 0;
};

class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    // OpenSCManager on the local machine, asking only to connect.
    virtual Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) = 0;
};

}  // namespace zelta
