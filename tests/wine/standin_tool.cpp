// A stand-in for what Windows has and Wine lacks: as a service (registered as "policyagent" with the
// argument "--service") it runs until stopped; started any other way (as "ipseccmd.exe") it ends at
// once with 0. Wine's dispatcher takes seconds to give up in a process that is not a service.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP) ::SetEvent(g_stop);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    g_status = ::RegisterServiceCtrlHandlerExW(L"policyagent", Handler, nullptr);
    g_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || ::lstrcmpW(argv[1], L"--service") != 0) return 0;
    wchar_t name[] = L"policyagent";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    ::StartServiceCtrlDispatcherW(table);
    return 0;
}
