// Implements platform/service_manager.h with the service control manager's wide calls.
#include "platform/win32/service_manager.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

class Win32Service final : public Service {
public:
    explicit Win32Service(SC_HANDLE handle) : m_handle(handle) {}

    Win32Error QueryStatus(ServiceStatus& out) override {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(m_handle.Get(), &status)) return ::GetLastError();
        out = ServiceStatus{static_cast<ServiceState>(status.dwCurrentState), status.dwWin32ExitCode};
        return ERROR_SUCCESS;
    }

private:
    UniqueScHandle m_handle;
};

class Win32ControlManager final : public ServiceControlManager {
public:
    explicit Win32ControlManager(SC_HANDLE handle) : m_handle(handle) {}

    Win32Error Open(std::string_view name, std::uint32_t access, std::unique_ptr<Service>& out) override {
        SC_HANDLE service = ::OpenServiceW(m_handle.Get(), Wide(name).c_str(), access);
        if (!service) return ::GetLastError();
        out = std::make_unique<Win32Service>(service);
        return ERROR_SUCCESS;
    }

private:
    UniqueScHandle m_handle;
};

}  // namespace

Win32Error Win32ServiceManager::Connect(std::unique_ptr<ServiceControlManager>& out) {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return ::GetLastError();
    out = std::make_unique<Win32ControlManager>(manager);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
