// Implements the dialling half of platform/remote_access.h with the wide Ras* calls.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/secret.h"
#include "platform/win32/remote_access.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

#if defined(__i386__)
static_assert(offsetof(RASCONNA, dwFlags) == static_cast<std::size_t>(RasConnForm::XpNoFlags));
#endif

HRASCONN ToHandle(RasConnectionHandle handle) { return reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(handle.value)); }

template <std::size_t N>
void Put(wchar_t (&field)[N], const std::string& value) {
    const std::wstring wide = Wide(value);
    const std::size_t count = std::min(wide.size(), N - 1);
    std::memcpy(field, wide.data(), count * sizeof(wchar_t));
    field[count] = L'\0';
}

// The password's way in: converted in a buffer that is wiped as soon as the record has it.
template <std::size_t N>
void PutSecret(wchar_t (&field)[N], const SecretBuffer& secret) {
    const SecretUtf16 wide(secret);
    const std::size_t count = std::min(wide.View().size(), N - 1);
    std::memcpy(field, wide.View().data(), count * sizeof(wchar_t));
    field[count] = L'\0';
}

template <std::size_t N>
std::string Get(const wchar_t (&field)[N]) {
    return Narrow(std::wstring_view(field, wcsnlen(field, N)));
}

// A RASDIALPARAMSW filled from the portable record; wiped when it goes out of scope.
struct DialParamsRecord {
    RASDIALPARAMSW record{};
    explicit DialParamsRecord(const RasDialParams& p) {
        record.dwSize = sizeof record;
        Put(record.szEntryName, p.szEntryName);
        Put(record.szPhoneNumber, p.szPhoneNumber);
        Put(record.szCallbackNumber, p.szCallbackNumber);
        Put(record.szUserName, p.szUserName);
        PutSecret(record.szPassword, p.szPassword);
        Put(record.szDomain, p.szDomain);
        record.dwSubEntry = p.dwSubEntry;
        record.dwCallbackId = static_cast<ULONG_PTR>(p.dwCallbackId);
    }
    ~DialParamsRecord() { SecureZero(&record, sizeof record); }
    DialParamsRecord(const DialParamsRecord&) = delete;
    DialParamsRecord& operator=(const DialParamsRecord&) = delete;
};

// The wide record size that stands for each documented ANSI form: the record cut after the last
// field that form had, padded as the compiler pads the whole record.
constexpr DWORD Padded(std::size_t size) {
    return static_cast<DWORD>((size + alignof(RASCONNW) - 1) / alignof(RASCONNW) * alignof(RASCONNW));
}

DWORD WideConnSize(RasConnForm form) {
    switch (form) {
        case RasConnForm::WindowsXp: return sizeof(RASCONNW);
        case RasConnForm::XpNoFlags: return Padded(offsetof(RASCONNW, dwFlags));
        case RasConnForm::Windows2000: return Padded(offsetof(RASCONNW, guidEntry));
        case RasConnForm::Nt4: return Padded(offsetof(RASCONNW, szPhonebook));
        case RasConnForm::Nt351: return Padded(offsetof(RASCONNW, szDeviceType));
    }
    return sizeof(RASCONNW);
}

#if defined(__i386__)
static_assert(sizeof(RASCONNA) == static_cast<std::size_t>(RasConnForm::WindowsXp));
static_assert(offsetof(RASCONNA, guidEntry) == static_cast<std::size_t>(RasConnForm::Windows2000));
#endif

}  // namespace

Win32Error Win32RemoteAccess::GetEntryDialParams(std::string_view phonebook, std::string_view entry, RasDialParams& out,
                                                  bool& passwordSaved) {
    RasDialParams empty;
    empty.szEntryName = std::string(entry);
    DialParamsRecord params(empty);
    BOOL saved = FALSE;
    const std::wstring book = Wide(phonebook);
    const DWORD rc = ::RasGetEntryDialParamsW(book.empty() ? nullptr : book.c_str(), &params.record, &saved);
    if (rc != ERROR_SUCCESS) return rc;
    out.szEntryName = Get(params.record.szEntryName);
    out.szPhoneNumber = Get(params.record.szPhoneNumber);
    out.szCallbackNumber = Get(params.record.szCallbackNumber);
    out.szUserName = Get(params.record.szUserName);
    AssignUtf16(out.szPassword, std::u16string_view(reinterpret_cast<const char16_t*>(params.record.szPassword),
                                                    wcsnlen(params.record.szPassword, UNLEN + 1)));
    out.szDomain = Get(params.record.szDomain);
    out.dwSubEntry = params.record.dwSubEntry;
    out.dwCallbackId = params.record.dwCallbackId;
    passwordSaved = saved != FALSE;
    return ERROR_SUCCESS;
}

Win32Error Win32RemoteAccess::SetEntryDialParams(std::string_view phonebook, const RasDialParams& p, bool removePassword) {
    DialParamsRecord params(p);
    const std::wstring book = Wide(phonebook);
    return ::RasSetEntryDialParamsW(book.empty() ? nullptr : book.c_str(), &params.record, removePassword ? TRUE : FALSE);
}

Win32Error Win32RemoteAccess::SetPresharedKey(std::string_view entry, const SecretBuffer& key) {
    constexpr DWORD kPreSharedKey = 0x00000010;  // RASCM_PreSharedKey
    RASCREDENTIALSW credentials{};
    credentials.dwSize = sizeof credentials;
    credentials.dwMask = kPreSharedKey;
    {
        const SecretUtf16 wide(key);
        // A cut key would only fail the negotiation later, with nothing to say why.
        if (wide.View().size() > PWLEN) return ERROR_INVALID_PARAMETER;
        std::memcpy(credentials.szPassword, wide.View().data(), wide.View().size() * sizeof(wchar_t));
    }
    const DWORD rc = ::RasSetCredentialsW(nullptr, Wide(entry).c_str(), &credentials, FALSE);
    SecureZero(&credentials, sizeof credentials);
    return rc;
}

Win32Error Win32RemoteAccess::Dial(const RasDialParams& p, bool customDial, WindowHandle notifier,
                                   RasConnectionHandle& out) {
    RasDialExtensions extensions;
    extensions.dwfOptions = customDial ? kRasCustomDialOption : 0;
    return DialWith(extensions, "", p, RasNotifier::Window(notifier), out);
}

Win32Error Win32RemoteAccess::DialWith(const RasDialExtensions& e, std::string_view phonebook, const RasDialParams& p,
                                       RasNotifier notifier, RasConnectionHandle& out) {
    DialParamsRecord params(p);
    RASDIALEXTENSIONS extensions{};
    extensions.dwSize = sizeof extensions;
    extensions.dwfOptions = e.dwfOptions;
    extensions.hwndParent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(e.hwndParent));
    extensions.reserved = static_cast<ULONG_PTR>(e.reserved);
    extensions.reserved1 = static_cast<ULONG_PTR>(e.reserved1);
    extensions.RasEapInfo.dwSizeofEapInfo = e.eapSize;
    extensions.RasEapInfo.pbEapInfo = reinterpret_cast<BYTE*>(static_cast<std::uintptr_t>(e.eapData));
    const std::wstring book = Wide(phonebook);
    HRASCONN connection = nullptr;
    const DWORD rc = ::RasDialW(&extensions, book.empty() ? nullptr : const_cast<LPWSTR>(book.c_str()), &params.record,
                                notifier.type, reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(notifier.value)),
                                &connection);
    out = RasConnectionHandle{static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(connection))};
    return rc;
}

Win32Error Win32RemoteAccess::HangUp(RasConnectionHandle connection) { return ::RasHangUpW(ToHandle(connection)); }

Win32Error Win32RemoteAccess::GetConnectStatus(RasConnectionHandle connection, std::uint32_t& state, Win32Error& error) {
    RASCONNSTATUSW status{};
    status.dwSize = sizeof status;
    const DWORD rc = ::RasGetConnectStatusW(ToHandle(connection), &status);
    if (rc == ERROR_SUCCESS) {
        state = static_cast<std::uint32_t>(status.rasconnstate);
        error = status.dwError;
    }
    return rc;
}

Win32Error Win32RemoteAccess::GetIpProjection(RasConnectionHandle connection, std::string& clientAddress,
                                              std::string& serverAddress) {
    RASPPPIPW ip{};
    ip.dwSize = sizeof ip;
    DWORD size = sizeof ip;
    const DWORD rc = ::RasGetProjectionInfoW(ToHandle(connection), RASP_PppIp, &ip, &size);
    if (rc != ERROR_SUCCESS) return rc;
    clientAddress = Get(ip.szIpAddress);
    serverAddress = Get(ip.szServerIpAddress);
    return ERROR_SUCCESS;
}

Win32Error Win32RemoteAccess::ConnectionStatistics(RasConnectionHandle connection, RasStatistics& out) {
    RAS_STATS stats{};
    stats.dwSize = sizeof stats;
    const DWORD rc = ::RasGetConnectionStatistics(ToHandle(connection), &stats);
    if (rc != ERROR_SUCCESS) return rc;
    out = RasStatistics{stats.dwBytesXmited,       stats.dwBytesRcved,         stats.dwFramesXmited,
                        stats.dwFramesRcved,       stats.dwCrcErr,             stats.dwTimeoutErr,
                        stats.dwAlignmentErr,      stats.dwHardwareOverrunErr, stats.dwFramingErr,
                        stats.dwBufferOverrunErr,  stats.dwCompressionRatioIn, stats.dwCompressionRatioOut,
                        stats.dwBps,               stats.dwConnectDuration};
    return ERROR_SUCCESS;
}

Win32Error Win32RemoteAccess::EnumConnections(RasConnForm form, std::size_t capacity, std::vector<RasConnection>& out) {
    const DWORD recordSize = WideConnSize(form);
    std::vector<std::uint8_t> buffer(recordSize * std::max<std::size_t>(capacity, 1));
    reinterpret_cast<RASCONNW*>(buffer.data())->dwSize = recordSize;
    DWORD bytes = static_cast<DWORD>(buffer.size());
    DWORD count = 0;
    const DWORD rc = ::RasEnumConnectionsW(reinterpret_cast<RASCONNW*>(buffer.data()), &bytes, &count);
    if (rc != ERROR_SUCCESS) return rc;
    out.clear();
    for (DWORD i = 0; i < count && i < capacity; ++i) {
        const auto* record = reinterpret_cast<const RASCONNW*>(buffer.data() + i * recordSize);
        out.push_back(RasConnection{RasConnectionHandle{static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record->hrasconn))},
                                    Get(record->szEntryName)});
    }
    return ERROR_SUCCESS;
}

bool Win32RemoteAccess::ErrorString(Win32Error code, std::string& out) {
    wchar_t text[256] = {};
    if (::RasGetErrorStringW(code, text, 256) != ERROR_SUCCESS) return false;
    out = Narrow(text);
    return true;
}

}  // namespace zelta::win32
