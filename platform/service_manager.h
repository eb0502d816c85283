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
inline constexpr std::uint32_t kDelete = 0x00010000;  // DELETE
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
inline constexpr Win32Error kServiceRequestTimeout = 1053;
inline constexpr Win32Error kServiceDisabled = 1058;
inline constexpr Win32Error kServiceCannotAcceptControl = 1061;
inline constexpr Win32Error kFailedServiceControllerConnect = 1063;  // not started by the service control manager
inline constexpr Win32Error kServiceMarkedForDelete = 1072;
inline constexpr Win32Error kServiceExists = 1073;
inline constexpr Win32Error kDependentServicesRunning = 2401;
}  // namespace service_error

// What CreateService and ChangeServiceConfig set for a service of its own process running in the
// local system account (the only kind this product installs).
struct ServiceConfig {
    std::string displayName;
    std::string binaryPath;  // the command line the service control manager starts, quoted as needed
    ServiceStartType startType = ServiceStartType::Demand;
};

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

    // ChangeServiceConfig: own process, local system account, and `config`'s display name, path and
    // start type.
    virtual Win32Error ChangeConfig(const ServiceConfig& config) = 0;

    // ChangeServiceConfig2 with the description the Services console shows.
    virtual Win32Error SetDescription(std::string_view description) = 0;

    // DeleteService: the service goes once it has stopped and every handle to it is closed;
    // kServiceMarkedForDelete when someone asked already.
    virtual Win32Error Delete() = 0;
};

// An open handle to the service control manager; the destructor closes it.
class ServiceControlManager {
public:
    virtual ~ServiceControlManager() = default;

    // OpenService with the given service_access bits. kServiceDoesNotExist (1060) for an unknown
    // name; `out` is set only on success.
    virtual Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) = 0;

    // CreateService of an own-process service in the local system account, opened with `access`.
    // kServiceExists when the name is taken; kAccessDenied without the right to create services.
    virtual Win32Error Create(std::string_view name, const ServiceConfig& config, std::uint32_t access,
                              std::unique_ptr<Service>& out) = 0;
};

class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    // OpenSCManager on the local machine, asking only to connect.
    virtual Win32Error Connect(std::unique_ptr<ServiceControlManager>& out) = 0;

    // OpenSCManager asking to connect and to create services: kAccessDenied for anyone but an
    // administrator.
    virtual Win32Error ConnectToCreate(std::unique_ptr<ServiceControlManager>& out) = 0;
};

}  // namespace zelta
