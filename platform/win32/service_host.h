// The real ServiceHost: StartServiceCtrlDispatcher, a control handler that queues what the service
// control manager asks, and SetServiceStatus.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "platform/service_host.h"
#include "platform/win32/handles.h"

namespace zelta::win32 {

class Win32ServiceHost final : public ServiceHost, private ServiceRuntime {
public:
    Win32ServiceHost();
    ~Win32ServiceHost() override;
    Win32ServiceHost(const Win32ServiceHost&) = delete;
    Win32ServiceHost& operator=(const Win32ServiceHost&) = delete;

    Win32Error Run(std::string_view name, bool sessionChanges,
                   const std::function<void(ServiceRuntime&)>& serviceMain) override;

    // Set while a control waits to be taken: the pipe's waits watch it.
    HANDLE ControlEvent() const { return m_controlEvent.Get(); }

private:
    static void WINAPI ServiceMainThunk(DWORD argc, LPWSTR* argv);
    static DWORD WINAPI HandlerThunk(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);
    void ServiceMain();
    DWORD Handle(DWORD control, DWORD eventType, LPVOID eventData);
    void Push(ServiceControlEvent event);

    // ServiceRuntime
    Win32Error ReportStatus(ServiceState state, Win32Error exitCode, std::uint32_t waitHintMs) override;
    std::optional<ServiceControlEvent> TakeControl() override;

    std::wstring m_name;
    bool m_sessionChanges = false;
    const std::function<void(ServiceRuntime&)>* m_main = nullptr;
    SERVICE_STATUS_HANDLE m_status = nullptr;
    DWORD m_checkPoint = 0;
    DWORD m_lastState = 0;
    UniqueObject m_controlEvent;
    CRITICAL_SECTION m_lock;  // the handler runs on the dispatcher's thread, the service on its own
    std::deque<ServiceControlEvent> m_controls;
};

}  // namespace zelta::win32
