// A stand-in for what Windows has and Wine lacks: as a service (registered with the arguments
// "--service NAME": "policyagent", and on the Vista road "BFE" and "IKEEXT") it runs until stopped;
// started any other way (as "ipseccmd.exe") it leaves a mark beside itself ("ran-as-tool") and ends
// at once with 0. Wine's dispatcher takes seconds
// to give up in a process that is not a service.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
wchar_t g_name[64] = L"policyagent";

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
    g_status = ::RegisterServiceCtrlHandlerExW(g_name, Handler, nullptr);
    g_stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || ::lstrcmpW(argv[1], L"--service") != 0) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        for (DWORD i = length; i > 0; --i) {
            if (path[i - 1] != L'\\') continue;
            ::lstrcpynW(path + i, L"ran-as-tool", MAX_PATH - static_cast<int>(i));
            HANDLE mark = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (mark != INVALID_HANDLE_VALUE) ::CloseHandle(mark);
            break;
        }
        return 0;
    }
    if (argc >= 3) ::lstrcpynW(g_name, argv[2], 64);
    SERVICE_TABLE_ENTRYW table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    ::StartServiceCtrlDispatcherW(table);
    return 0;
}
