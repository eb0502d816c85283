// Drives the real ZeltaService.exe and the real dial.exe under Wine: the service, installed and
// running, has started the dialer window itself; its pipe carries the documented security
// descriptor; Connect's request 2 is answered by it, and on the Windows 10 road Wine reports the
// entry asks for the pre-shared key, which goes to RasSetCredentials (a stand-in remote-access
// library records both) while no IPsec tool runs; the dialer's end sends request 4. Prints one
// line a check; exits 0 only when all held.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "tests/wine/driver.h"

#include <cstdio>
#include <string>

namespace {

using zelta::wine::Check;
using zelta::wine::ReadLog;
using zelta::wine::Text;

bool LogHas(const char* text) { return ReadLog().find(text) != std::string::npos; }

template <typename Condition>
bool WaitFor(Condition condition, int tenths) {
    for (int i = 0; i < tenths; ++i) {
        if (condition()) return true;
        ::Sleep(100);
    }
    return condition();
}

DWORD ServiceState(const wchar_t* name) {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceW(manager, name, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    const DWORD state = service && ::QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
    if (service) ::CloseServiceHandle(service);
    if (manager) ::CloseServiceHandle(manager);
    return state;
}

// A descriptor's owner and DACL as SDDL; the descriptor is freed.
std::string Sddl(PSECURITY_DESCRIPTOR descriptor) {
    std::string result = "(no descriptor)";
    char* text = nullptr;
    if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
        result = text;
        ::LocalFree(text);
    }
    ::LocalFree(descriptor);
    return result;
}

std::string PipeDescriptor() {
    HANDLE pipe = ::CreateFileW(L"\\\\.\\pipe\\zeltavpn", READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return "(cannot open the pipe)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool read = ::GetSecurityInfo(pipe, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS;
    ::CloseHandle(pipe);
    return read ? Sddl(descriptor) : "(no descriptor)";
}

// How often `text` sits in the memory of process `pid`, as the bytes given.
int CountInMemory(DWORD pid, const void* text, std::size_t size) {
    HANDLE process = ::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return -1;
    int found = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<char*>(nullptr); ::VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
        const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE;
        if (region.State != MEM_COMMIT || !(region.Protect & readable) || (region.Protect & PAGE_GUARD)) continue;
        std::string bytes(region.RegionSize, '\0');
        SIZE_T read = 0;
        if (!::ReadProcessMemory(process, region.BaseAddress, bytes.data(), bytes.size(), &read)) continue;
        bytes.resize(read);
        const std::string_view needle(static_cast<const char*>(text), size);
        for (auto hit = bytes.find(needle); hit != std::string::npos; hit = bytes.find(needle, hit + 1)) ++found;
    }
    ::CloseHandle(process);
    return found;
}

// A small file's bytes, empty when it cannot be read.
std::string FileText(const wchar_t* path) {
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(8192, '\0');
    DWORD read = 0;
    ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    ::CloseHandle(file);
    text.resize(read);
    return text;
}

// The folder's owner and DACL as SDDL.
std::string FolderDescriptor(const wchar_t* path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool read = ::GetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                              nullptr, nullptr, &descriptor) == ERROR_SUCCESS;
    return read ? Sddl(descriptor) : "(no descriptor)";
}

// A client that opens the pipe and says nothing, for as long as the handle lives.
HANDLE SilentClient() {
    return ::CreateFileW(L"\\\\.\\pipe\\zeltavpn", FILE_GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING,
                         SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
}

// The text the event viewer would show for a record of the service, from its message table.
std::wstring EventText(DWORD id, const wchar_t* insertion) {
    HMODULE module = ::LoadLibraryExW(L"C:\\Dialer\\ZeltaService.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return L"(cannot load ZeltaService.exe)";
    wchar_t text[512] = {};
    const wchar_t* args[] = {insertion};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0,
                                          text, 512, reinterpret_cast<va_list*>(const_cast<wchar_t**>(args)));
    ::FreeLibrary(module);
    return length ? std::wstring(text, length) : L"(no text)";
}

}  // namespace

int wmain() {
    Check(EventText(0x40000064, L"") == L"The Zelta VPN Helper service started and answers on \\\\.\\pipe\\zeltavpn.\r\n",
          "the message table holds the start record's text");
    Check(EventText(0xC0000066, L"the reason") ==
              L"The Zelta VPN Helper service stopped: the reason. Without it the Zelta VPN dialer cannot connect.\r\n",
          "the message table holds the failure's text, with its insertion");

    Check(ServiceState(L"ZeltaService") == SERVICE_RUNNING, "ZeltaService runs after -install");
    const std::string descriptor = PipeDescriptor();
    Check(descriptor == "O:SYD:(D;;FA;;;NU)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12019b;;;IU)",
          "\\\\.\\pipe\\zeltavpn: owner SYSTEM, network denied, SYSTEM and administrators in full, users read/write");
    if (descriptor.rfind("O:SY", 0) != 0) std::printf("  the descriptor reads %s\n", descriptor.c_str());

    // "Launch at Boot Up" is set and a user's desktop takes input: the service starts the dialer.
    HWND dialer = nullptr;
    WaitFor([&] { return (dialer = ::FindWindowW(nullptr, L"VPN Dialer - Campus (DEBUG)")) != nullptr; }, 200);
    Check(dialer != nullptr, "the service started the dialer, and its window opened");
    if (!dialer) return 1;
    Check(LogHas("ZeltaService: started \"C:\\Dialer\\dial.exe\""), "vpn.log tells of the service's start of the dialer");
    WaitFor([&] { return ::IsWindowVisible(dialer) != FALSE; }, 100);

    // Another program on the desktop offers the system account code to run: a timer callback and an
    // edit box's word-break callback, both ExitProcess (kernel32 sits at the same address everywhere).
    const auto exitProcess = reinterpret_cast<LPARAM>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "ExitProcess"));
    ::PostMessageW(dialer, WM_TIMER, 77, exitProcess);
    ::SendMessageW(::GetDlgItem(dialer, 1003), EM_SETWORDBREAKPROC, 0, exitProcess);
    ::Sleep(500);
    Check(::IsWindow(dialer) != FALSE, "a timer message naming a callback is dropped: the dialer runs on");
    Check(::SendMessageW(::GetDlgItem(dialer, 1003), EM_GETWORDBREAKPROC, 0, 0) == 0,
          "the user name box refuses a word-break callback");

    // A forged WM_INITDIALOG and a forged DWLP_USER, both naming code: the window never takes a pointer
    // from another program, so nothing runs and it goes on working (Connect below).
    ::SendMessageW(dialer, WM_INITDIALOG, 0, exitProcess);
    ::SetWindowLongPtrW(dialer, DWLP_USER, exitProcess);
    ::SendMessageW(dialer, WM_TIMER, 1, 0);  // a message the dialog procedure hands to its controller
    ::Sleep(300);
    Check(::IsWindow(dialer) != FALSE, "a forged WM_INITDIALOG and DWLP_USER are not followed: the dialer runs on");

    ::SendMessageW(::GetDlgItem(dialer, 1003), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"alice"));
    const char password[] = "Zq8-ticket-Vw3-for-the-campus";  // typed, a key at a time
    for (const char* c = password; *c; ++c) ::SendMessageW(::GetDlgItem(dialer, 1004), WM_CHAR, static_cast<WPARAM>(*c), 1);
    // Another program asks the password box for its text, to unmask it, and to copy it.
    HWND passwordBox = ::GetDlgItem(dialer, 1004);
    wchar_t stolen[64] = {};
    ::SendMessageW(passwordBox, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(stolen));
    Check(stolen[0] == 0 && ::SendMessageW(passwordBox, WM_GETTEXTLENGTH, 0, 0) == 0,
          "the password box gives another program neither its text nor its length");
    ::SendMessageW(passwordBox, EM_SETPASSWORDCHAR, 0, 0);
    Check(::SendMessageW(passwordBox, EM_GETPASSWORDCHAR, 0, 0) != 0, "the password box keeps its mask");
    ::SendMessageW(::GetDlgItem(dialer, 1), BM_CLICK, 0, 0);
    const std::wstring pane = Text(::GetDlgItem(dialer, 1011));
    Check(pane.find(L"Stopping 3rd party service and starting IPSEC") != std::wstring::npos,
          "Connect gets as far as the helper service");
    Check(pane.find(L"Unable to start IPSEC") == std::wstring::npos, "the service's answer lets the attempt go on");
    Check(LogHas("ZeltaService: request 2 from") && LogHas("for 127.0.0.1: IPsec prepared"),
          "vpn.log: request 2 answered by the service, the policy agent running");
    Check(LogHas("CallNamedPipe returned outbuf=0"), "vpn.log: the dialer read the service's 00");
    // Wine reports Windows 10 to a program with our manifest: Windows negotiates IPsec itself, so the
    // IPsec tool beside the dialer is never run.
    Check(::GetFileAttributesW(L"C:\\Dialer\\ran-as-tool") == INVALID_FILE_ATTRIBUTES,
          "on the Windows 10 road no IPsec tool ran at Connect");
    const std::string record = FileText(L"C:\\Dialer\\ras-record.txt");
    Check(record.find("entry dwfOptions2=0x10 dwVpnStrategy=3") != std::string::npos,
          "the entry is written with RASEO2_UsePreSharedKey, L2TP only");
    Check(record.find("credentials entry=Zelta VPN mask=0x10 clear=0 key=wine campus key") != std::string::npos,
          "the pre-shared key goes to RasSetCredentials, RASCM_PreSharedKey alone");
    Check(record.find("credentials") < record.find("dial"), "the key is handed over before the dial");
    if (record.find("credentials") == std::string::npos) std::printf("  ras-record.txt reads: %s\n", record.c_str());
    Check(!LogHas("wine campus key"), "vpn.log never holds the key");

    // The password box still shows what was typed; nothing of the dialer's own keeps another copy.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(dialer, &pid);
    const wchar_t widePassword[] = L"Zq8-ticket-Vw3-for-the-campus";
    const int narrow = CountInMemory(pid, password, sizeof password - 1);
    const int wide = CountInMemory(pid, widePassword, sizeof widePassword - sizeof(wchar_t));
    std::printf("  the typed password in the dialer's memory after Connect: %d narrow, %d wide\n", narrow, wide);
    Check(narrow == 0, "no 8-bit copy of the password is left in the dialer's memory after Connect");
    Check(wide == 1, "one UTF-16 copy is left: the password box's own text");

    ::PostMessageW(dialer, WM_COMMAND, IDCANCEL, 0);  // Escape: the end sends request 4
    WaitFor([&] { return !::IsWindow(dialer); }, 100);
    Check(!::IsWindow(dialer), "Escape ends the dialer");
    Check(WaitFor([] { return LogHas("ZeltaService: request 4 from"); }, 50), "vpn.log: request 4 at the dialer's end");

    const std::string folder = FolderDescriptor(L"C:\\Dialer");
    // Wine keeps no descriptor of a file of its own: it reads one back from the Unix mode bits, owned by
    // the one account every process runs as. -install's exit 0 above says SetNamedSecurityInfo took it.
    std::printf("  C:\\Dialer's descriptor as Wine reads it back: %s\n", folder.c_str());
    Check(!LogHas("is not started:") && !LogHas("is not run:"), "the installed dialer and IPsec tool passed the owner check");

    // Three programs hold the pipe and say nothing; a user's start still gets its window at once. (The
    // service starts the dialer at most once in five seconds in a session: the first start must age.)
    ::Sleep(5000);
    HANDLE silent[3];
    for (HANDLE& each : silent) each = SilentClient();
    Check(silent[2] != INVALID_HANDLE_VALUE, "three silent clients hold instances of the pipe");
    BYTE request[2] = {1, 0}, reply[4] = {};
    DWORD read = 0;
    const DWORD asked = ::GetTickCount();
    const BOOL answered = ::CallNamedPipeW(L"\\\\.\\pipe\\zeltavpn", request, 2, reply, sizeof reply, &read, 5000);
    Check(answered && read == 1 && reply[0] == 0, "a user's request 1 is answered while the silent clients hold on");
    Check(::GetTickCount() - asked < 900, "and answered before any silent client's second was up");
    WaitFor([&] { return (dialer = ::FindWindowW(nullptr, L"VPN Dialer - Campus (DEBUG)")) != nullptr; }, 100);
    Check(dialer != nullptr, "the service started the dialer for it, and its window opened");
    if (!dialer) {
        const std::string log = ReadLog();
        std::printf("  vpn.log ends: %s\n", log.substr(log.size() > 1500 ? log.size() - 1500 : 0).c_str());
    }
    Check(WaitFor([] { return LogHas("sent nothing for 1 second and was dropped"); }, 30),
          "vpn.log: the silent clients were dropped after a second");

    // A stop, with silent clients on the pipe again, ends the service promptly.
    for (HANDLE& each : silent) {
        if (each != INVALID_HANDLE_VALUE) ::CloseHandle(each);
        each = SilentClient();
    }
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceW(manager, L"ZeltaService", SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    const DWORD stopAsked = ::GetTickCount();
    Check(service && ::ControlService(service, SERVICE_CONTROL_STOP, &status), "the service takes a stop");
    WaitFor([] { return ServiceState(L"ZeltaService") == SERVICE_STOPPED; }, 50);
    Check(ServiceState(L"ZeltaService") == SERVICE_STOPPED && ::GetTickCount() - stopAsked < 3000,
          "it stopped within three seconds, silent clients and all");
    if (service) ::CloseServiceHandle(service);
    if (manager) ::CloseServiceHandle(manager);
    for (HANDLE each : silent)
        if (each != INVALID_HANDLE_VALUE) ::CloseHandle(each);
    if (dialer) ::PostMessageW(dialer, WM_COMMAND, IDCANCEL, 0);
    WaitFor([&] { return !::IsWindow(dialer); }, 100);
    return zelta::wine::g_failures == 0 ? 0 : 1;
}
