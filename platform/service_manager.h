// ServiceManager: the service control manager. Implemented by platform/win32/service_manager.cpp
// and platform/sim/service_manager.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// Start types, numbered as Windows numbers them.
enum class ServiceStartType : std::uint32_t {
    Boot = 0,
    System = 1,
    Automatic = 2,
    Demand = 3,
    Disabled = 4,
};

namespace service_error {
inline constexpr Win32Error kServiceAlreadyRunning = 1056;
inline constexpr Win32Error kServiceDisabled = 1058;
inline constexpr Win32Error kServiceCannotAcceptControl = 1061;
inline constexpr Win32Error kDependentServicesRunning = 2401;
}  // namespace service_error

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

    // QueryServiceConfig, of which the product needs the start type.
    virtual Win32Error QueryStartType(ServiceStartType& out) = 0;

    // ChangeServiceConfig of the start type alone; everything else stays.
    virtual Win32Error ChangeStartType(ServiceStartType type) = 0;

    // StartService without arguments. The service is then (at best) start pending.
    virtual Win32Error Start() = 0;

    // ControlService(SERVICE_CONTROL_STOP); `out` receives the status the service reported.
    virtual Win32Error Stop(ServiceStatus& out) = 0;

    // EnumDependentServices for the active ones (not stopped), in the order Windows gives them.
    virtual Win32Error ActiveDependents(std::vector<std::string>& names) = 0;
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
