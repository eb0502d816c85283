// Implements platform/service_manager.h with the service control manager's wide calls.
#include "platform/win32/service_manager.h"

#include <vector>

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

    Win32Error QueryStartType(ServiceStartType& out) override {
        DWORD needed = 0;
        ::QueryServiceConfigW(m_handle.Get(), nullptr, 0, &needed);
        if (needed == 0) return ::GetLastError();
        std::vector<std::uint8_t> buffer(needed);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (!::QueryServiceConfigW(m_handle.Get(), config, needed, &needed)) return ::GetLastError();
        out = static_cast<ServiceStartType>(config->dwStartType);
        return ERROR_SUCCESS;
    }

    Win32Error ChangeStartType(ServiceStartType type) override {
        if (!::ChangeServiceConfigW(m_handle.Get(), SERVICE_NO_CHANGE, static_cast<DWORD>(type), SERVICE_NO_CHANGE,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
            return ::GetLastError();
        return ERROR_SUCCESS;
    }

    Win32Error Start() override { return ::StartServiceW(m_handle.Get(), 0, nullptr) ? ERROR_SUCCESS : ::GetLastError(); }

    Win32Error Stop(ServiceStatus& out) override {
        SERVICE_STATUS status{};
        if (!::ControlService(m_handle.Get(), SERVICE_CONTROL_STOP, &status)) return ::GetLastError();
        out = ServiceStatus{static_cast<ServiceState>(status.dwCurrentState), status.dwWin32ExitCode};
        return ERROR_SUCCESS;
    }

    Win32Error ActiveDependents(std::vector<std::string>& names) override {
        names.clear();
        DWORD needed = 0;
        DWORD count = 0;
        if (::EnumDependentServicesW(m_handle.Get(), SERVICE_ACTIVE, nullptr, 0, &needed, &count)) return ERROR_SUCCESS;
        const DWORD error = ::GetLastError();
        if (error != ERROR_MORE_DATA) return error;
        std::vector<std::uint8_t> buffer(needed);
        auto* services = reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data());
        if (!::EnumDependentServicesW(m_handle.Get(), SERVICE_ACTIVE, services, needed, &needed, &count))
            return ::GetLastError();
        for (DWORD i = 0; i < count; ++i) names.push_back(Narrow(services[i].lpServiceName));
        return ERROR_SUCCESS;
    }

    Win32Error ChangeConfig(const ServiceConfig& config) override {
        if (!::ChangeServiceConfigW(m_handle.Get(), SERVICE_WIN32_OWN_PROCESS, static_cast<DWORD>(config.startType),
                                    SERVICE_ERROR_NORMAL, Wide(config.binaryPath).c_str(), nullptr, nullptr, nullptr,
                                    L"LocalSystem", L"", Wide(config.displayName).c_str()))
            return ::GetLastError();
        return ERROR_SUCCESS;
    }

    Win32Error SetDescription(std::string_view description) override {
        std::wstring text = Wide(description);
        SERVICE_DESCRIPTIONW info{text.data()};
        return ::ChangeServiceConfig2W(m_handle.Get(), SERVICE_CONFIG_DESCRIPTION, &info) ? ERROR_SUCCESS : ::GetLastError();
    }

    Win32Error Delete() override { return ::DeleteService(m_handle.Get()) ? ERROR_SUCCESS : ::GetLastError(); }

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

    Win32Error Create(std::string_view name, const ServiceConfig& config, std::uint32_t access,
                      std::unique_ptr<Service>& out) override {
        // No account: the local system account. No dependencies, no load-order group.
        SC_HANDLE service = ::CreateServiceW(m_handle.Get(), Wide(name).c_str(), Wide(config.displayName).c_str(), access,
                                             SERVICE_WIN32_OWN_PROCESS, static_cast<DWORD>(config.startType),
                                             SERVICE_ERROR_NORMAL, Wide(config.binaryPath).c_str(), nullptr, nullptr,
                                             nullptr, nullptr, nullptr);
        if (!service) return ::GetLastError();
        out = std::make_unique<Win32Service>(service);
        return ERROR_SUCCESS;
    }

private:
    UniqueScHandle m_handle;
};

Win32Error ConnectWith(DWORD access, std::unique_ptr<ServiceControlManager>& out) {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, access);
    if (!manager) return ::GetLastError();
    out = std::make_unique<Win32ControlManager>(manager);
    return ERROR_SUCCESS;
}

}  // namespace

Win32Error Win32ServiceManager::Connect(std::unique_ptr<ServiceControlManager>& out) {
    return ConnectWith(SC_MANAGER_CONNECT, out);
}

Win32Error Win32ServiceManager::ConnectToCreate(std::unique_ptr<ServiceControlManager>& out) {
    return ConnectWith(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE, out);
}

}  // namespace zelta::win32
