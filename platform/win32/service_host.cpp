// Implements platform/service_host.h with the service control manager's dispatcher.
#include "platform/win32/service_host.h"

#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

// Windows XP's session notifications (not in the Windows 2000 headers).
constexpr DWORD kControlSessionChange = 0x0000000E;
constexpr DWORD kAcceptSessionChange = 0x00000080;
constexpr DWORD kSessionLogon = 5;
constexpr DWORD kSessionLogoff = 6;
struct SessionNotification {
    DWORD cbSize;
    DWORD dwSessionId;
};

// StartServiceCtrlDispatcher hands ServiceMain no context; a process runs one service.
Win32ServiceHost* g_runningHost = nullptr;

// The interactive window station, so that the service can tell which desktop takes input (a
// service's own window station has no input). Held for the life of the process.
void AttachToInteractiveStation() {
    if (HWINSTA station = ::OpenWindowStationW(L"WinSta0", FALSE, MAXIMUM_ALLOWED)) ::SetProcessWindowStation(station);
}

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { ::EnterCriticalSection(&m_section); }
    ~Lock() { ::LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

}  // namespace

Win32ServiceHost::Win32ServiceHost() : m_controlEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ::InitializeCriticalSection(&m_lock);
}

Win32ServiceHost::~Win32ServiceHost() { ::DeleteCriticalSection(&m_lock); }

Win32Error Win32ServiceHost::Run(std::string_view name, bool sessionChanges,
                                 const std::function<void(ServiceRuntime&)>& serviceMain) {
    m_name = Wide(name);
    m_sessionChanges = sessionChanges;
    m_main = &serviceMain;
    g_runningHost = this;
    SERVICE_TABLE_ENTRYW table[] = {{m_name.data(), &ServiceMainThunk}, {nullptr, nullptr}};
    const BOOL ran = ::StartServiceCtrlDispatcherW(table);
    const DWORD error = ::GetLastError();
    g_runningHost = nullptr;
    m_main = nullptr;
    return ran ? ERROR_SUCCESS : error;
}

void WINAPI Win32ServiceHost::ServiceMainThunk(DWORD, LPWSTR*) {
    if (g_runningHost) g_runningHost->ServiceMain();
}

DWORD WINAPI Win32ServiceHost::HandlerThunk(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context) {
    return static_cast<Win32ServiceHost*>(context)->Handle(control, eventType, eventData);
}

void Win32ServiceHost::ServiceMain() {
    m_status = ::RegisterServiceCtrlHandlerExW(m_name.c_str(), &HandlerThunk, this);
    if (!m_status) return;
    AttachToInteractiveStation();
    (*m_main)(*this);
    if (m_lastState != SERVICE_STOPPED) ReportStatus(ServiceState::Stopped, 0, 0);
}

DWORD Win32ServiceHost::Handle(DWORD control, DWORD eventType, LPVOID eventData) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
            Push({ServiceControlKind::Stop, 0});
            return NO_ERROR;
        case SERVICE_CONTROL_SHUTDOWN:
            Push({ServiceControlKind::Shutdown, 0});
            return NO_ERROR;
        case kControlSessionChange:
            if ((eventType == kSessionLogon || eventType == kSessionLogoff) && eventData) {
                const auto* notification = static_cast<const SessionNotification*>(eventData);
                Push({eventType == kSessionLogon ? ServiceControlKind::SessionLogon : ServiceControlKind::SessionLogoff,
                      notification->dwSessionId});
            }
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void Win32ServiceHost::Push(ServiceControlEvent event) {
    Lock lock(m_lock);
    m_controls.push_back(event);
    ::SetEvent(m_controlEvent.Get());
}

std::optional<ServiceControlEvent> Win32ServiceHost::TakeControl() {
    Lock lock(m_lock);
    if (m_controls.empty()) return std::nullopt;
    const ServiceControlEvent event = m_controls.front();
    m_controls.pop_front();
    if (m_controls.empty()) ::ResetEvent(m_controlEvent.Get());
    return event;
}

Win32Error Win32ServiceHost::ReportStatus(ServiceState state, Win32Error exitCode, std::uint32_t waitHintMs) {
    if (!m_status) return ERROR_INVALID_HANDLE;
    const DWORD current = static_cast<DWORD>(state);
    const bool pending = current == SERVICE_START_PENDING || current == SERVICE_STOP_PENDING;
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = current;
    if (current == SERVICE_RUNNING)
        status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | (m_sessionChanges ? kAcceptSessionChange : 0);
    status.dwWin32ExitCode = exitCode;
    status.dwCheckPoint = pending ? ++m_checkPoint : 0;
    status.dwWaitHint = waitHintMs;
    m_lastState = current;
    return ::SetServiceStatus(m_status, &status) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace zelta::win32
