// A stand-in for Wine's remote-access library, which has no VPN device and keeps no entry: built as
// rasapi32.dll for the Wine checks only, loaded by dial.exe in its place. One L2TP device; the entry
// kept in memory; what the dialer writes into the entry and hands to RasSetCredentials recorded,
// one line each, in "ras-record.txt" beside the library; every dial fails with 789 (no server).
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstring>

namespace {

RASENTRYW g_entry{};
bool g_haveEntry = false;

void Record(const char* line) {
    wchar_t path[MAX_PATH] = {};
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&Record), &self);
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    for (DWORD i = length; i > 0; --i) {
        if (path[i - 1] != L'\\') continue;
        ::lstrcpynW(path + i, L"ras-record.txt", MAX_PATH - static_cast<int>(i));
        break;
    }
    HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::WriteFile(file, "\r\n", 2, &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI RasEnumDevicesW(LPRASDEVINFOW devices, LPDWORD bytes, LPDWORD count) {
    if (!bytes || !count) return ERROR_INVALID_PARAMETER;
    *count = 1;
    if (!devices || *bytes < sizeof(RASDEVINFOW)) {
        *bytes = sizeof(RASDEVINFOW);
        return ERROR_BUFFER_TOO_SMALL;
    }
    ::lstrcpynW(devices[0].szDeviceType, L"vpn", RAS_MaxDeviceType + 1);
    ::lstrcpynW(devices[0].szDeviceName, L"WAN Miniport (L2TP)", RAS_MaxDeviceName + 1);
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI RasGetEntryPropertiesW(LPCWSTR, LPCWSTR, LPRASENTRYW entry, LPDWORD size, LPBYTE, LPDWORD) {
    if (!g_haveEntry) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (!entry || !size || *size < sizeof(RASENTRYW)) return ERROR_INVALID_SIZE;
    *entry = g_entry;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI RasSetEntryPropertiesW(LPCWSTR, LPCWSTR, LPRASENTRYW entry, DWORD size, LPBYTE, DWORD) {
    if (!entry || size < sizeof(RASENTRYW) || entry->dwSize != sizeof(RASENTRYW)) return ERROR_INVALID_SIZE;
    g_entry = *entry;
    g_haveEntry = true;
    char line[128];
    std::snprintf(line, sizeof line, "entry dwfOptions2=0x%lx dwVpnStrategy=%lu", static_cast<unsigned long>(entry->dwfOptions2),
                  static_cast<unsigned long>(entry->dwVpnStrategy));
    Record(line);
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI RasSetCredentialsW(LPCWSTR, LPCWSTR entry, LPRASCREDENTIALSW credentials, BOOL clear) {
    if (!credentials || credentials->dwSize != sizeof(RASCREDENTIALSW)) return ERROR_INVALID_SIZE;
    char key[PWLEN + 1] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, credentials->szPassword, -1, key, sizeof key - 1, nullptr, nullptr);
    char name[RAS_MaxEntryName + 1] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, entry ? entry : L"", -1, name, sizeof name - 1, nullptr, nullptr);
    char line[PWLEN + RAS_MaxEntryName + 64];
    std::snprintf(line, sizeof line, "credentials entry=%s mask=0x%lx clear=%d key=%s", name,
                  static_cast<unsigned long>(credentials->dwMask), clear ? 1 : 0, key);
    Record(line);
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI RasGetEntryDialParamsW(LPCWSTR, LPRASDIALPARAMSW, LPBOOL) {
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}
__declspec(dllexport) DWORD WINAPI RasSetEntryDialParamsW(LPCWSTR, LPRASDIALPARAMSW, BOOL) { return ERROR_SUCCESS; }
__declspec(dllexport) DWORD WINAPI RasValidateEntryNameW(LPCWSTR, LPCWSTR) {
    return g_haveEntry ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
}
__declspec(dllexport) DWORD WINAPI RasDeleteEntryW(LPCWSTR, LPCWSTR) {
    g_haveEntry = false;
    return ERROR_SUCCESS;
}
__declspec(dllexport) DWORD WINAPI RasDialW(LPRASDIALEXTENSIONS, LPCWSTR, LPRASDIALPARAMSW, DWORD, LPVOID, LPHRASCONN connection) {
    if (connection) *connection = nullptr;
    Record("dial");
    return 789;  // ERROR_IPSEC... the security layer's negotiation failed: nobody answers
}
__declspec(dllexport) DWORD WINAPI RasHangUpW(HRASCONN) { return ERROR_SUCCESS; }
__declspec(dllexport) DWORD WINAPI RasGetConnectStatusW(HRASCONN, LPRASCONNSTATUSW) { return ERROR_INVALID_HANDLE; }
__declspec(dllexport) DWORD WINAPI RasEnumConnectionsW(LPRASCONNW, LPDWORD bytes, LPDWORD count) {
    if (count) *count = 0;
    if (bytes) *bytes = 0;
    return ERROR_SUCCESS;
}
__declspec(dllexport) DWORD WINAPI RasGetErrorStringW(UINT code, LPWSTR text, DWORD size) {
    if (!text || size == 0) return ERROR_INVALID_PARAMETER;
    ::_snwprintf(text, size, L"Remote access error %u (the stand-in library).", code);
    text[size - 1] = L'\0';
    return ERROR_SUCCESS;
}
__declspec(dllexport) DWORD WINAPI RasGetProjectionInfoW(HRASCONN, RASPROJECTION, LPVOID, LPDWORD) {
    return ERROR_INVALID_HANDLE;
}

}  // extern "C"
