// Implements platform/wireless_lan.h with wlanapi.dll. Every answer is the API's memory: its counts
// are checked against the sizes it gives before anything is read.
#include "platform/win32/wireless_lan.h"

#include <windows.h>
#include <wlanapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace zelta::win32 {
namespace {

struct WlanCalls {
    decltype(&::WlanOpenHandle) open = nullptr;
    decltype(&::WlanCloseHandle) close = nullptr;
    decltype(&::WlanQueryInterface) query = nullptr;
    decltype(&::WlanGetNetworkBssList) bssList = nullptr;
    decltype(&::WlanFreeMemory) free = nullptr;
    decltype(&::WlanEnumInterfaces) enumerate = nullptr;
    bool Complete() const { return open && close && query && bssList && free && enumerate; }
};

template <typename Function>
void Find(HMODULE module, Function& slot, const char* name) {
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Loaded once, by its full path, and kept for the process.
const WlanCalls& Calls() {
    static const WlanCalls calls = [] {
        WlanCalls found;
        wchar_t directory[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
        if (length == 0 || length >= MAX_PATH - 16) return found;
        HMODULE module = ::LoadLibraryW((std::wstring(directory) + L"\\wlanapi.dll").c_str());
        if (!module) return found;
        Find(module, found.open, "WlanOpenHandle");
        Find(module, found.close, "WlanCloseHandle");
        Find(module, found.query, "WlanQueryInterface");
        Find(module, found.bssList, "WlanGetNetworkBssList");
        Find(module, found.free, "WlanFreeMemory");
        Find(module, found.enumerate, "WlanEnumInterfaces");
        return found;
    }();
    return calls;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", as GetAdaptersInfo names an adapter.
bool ParseGuid(std::string_view text, GUID& out) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    std::uint8_t bytes[16];
    std::size_t at = 1;
    for (std::size_t i = 0; i < 16; ++i) {
        if (text[at] == '-') ++at;
        const int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
        at += 2;
    }
    if (at != 37) return false;
    out.Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 | bytes[2] << 8 | bytes[3];
    out.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    out.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
    std::memcpy(out.Data4, bytes + 8, 8);
    return true;
}

// An open client handle of the API, closed with the object.
class Session {
public:
    explicit Session(const WlanCalls& calls) : m_calls(calls) {
        DWORD negotiated = 0;
        m_error = calls.open(2, nullptr, &negotiated, &m_handle);
    }
    ~Session() {
        if (m_error == ERROR_SUCCESS) m_calls.close(m_handle, nullptr);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    DWORD error() const { return m_error; }
    HANDLE handle() const { return m_handle; }

    // Whether the API lists the interface: nothing else is asked of one it does not know.
    bool Knows(const GUID& guid) {
        WLAN_INTERFACE_INFO_LIST* list = nullptr;
        if (m_calls.enumerate(m_handle, nullptr, &list) != ERROR_SUCCESS || !list) return false;
        constexpr DWORD kMostInterfaces = 64;  // no machine has more Wi-Fi adapters; a count past it is garbage
        bool found = false;
        for (DWORD i = 0; i < std::min(list->dwNumberOfItems, kMostInterfaces) && !found; ++i)
            found = ::IsEqualGUID(list->InterfaceInfo[i].InterfaceGuid, guid) != FALSE;
        m_calls.free(list);
        return found;
    }

    // One WlanQueryInterface answer of at least `least` bytes, copied out; the API's memory is freed.
    template <typename T>
    DWORD Query(const GUID& guid, WLAN_INTF_OPCODE opcode, T& out) {
        DWORD size = 0;
        void* data = nullptr;
        const DWORD rc = m_calls.query(m_handle, &guid, opcode, nullptr, &size, &data, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        const bool whole = data && size >= sizeof(T);
        if (whole) std::memcpy(&out, data, sizeof(T));
        m_calls.free(data);
        return whole ? ERROR_SUCCESS : ERROR_INVALID_DATA;
    }

private:
    const WlanCalls& m_calls;
    HANDLE m_handle = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};

template <std::size_t N>
void CopySsid(const DOT11_SSID& ssid, std::array<std::uint8_t, N>& out) {
    out.fill(0);
    std::memcpy(out.data(), ssid.ucSSID, std::min<std::size_t>({ssid.uSSIDLength, sizeof ssid.ucSSID, N}));
}

// The interface of `adapterName` through `session`: kSuccess when the API lists it, or why not.
Win32Error FindInterface(Session& session, std::string_view adapterName, GUID& guid) {
    if (session.error() != ERROR_SUCCESS) return session.error();
    if (!ParseGuid(adapterName, guid) || !session.Knows(guid)) return ERROR_NOT_FOUND;
    return ERROR_SUCCESS;
}

}  // namespace

Win32Error Win32WirelessLan::CurrentLink(std::string_view adapterName, WlanLink& out) {
    const WlanCalls& calls = Calls();
    if (!calls.Complete()) return ERROR_MOD_NOT_FOUND;
    Session session(calls);
    GUID guid{};
    if (const Win32Error rc = FindInterface(session, adapterName, guid); rc != ERROR_SUCCESS) return rc;

    WLAN_CONNECTION_ATTRIBUTES connection{};
    const DWORD rc = session.Query(guid, wlan_intf_opcode_current_connection, connection);
    if (rc == ERROR_INVALID_STATE) return ERROR_NOT_FOUND;  // not associated
    if (rc != ERROR_SUCCESS) return rc == ERROR_INVALID_PARAMETER ? ERROR_NOT_FOUND : rc;
    if (connection.isState != wlan_interface_state_connected) return ERROR_NOT_FOUND;
    const WLAN_ASSOCIATION_ATTRIBUTES& association = connection.wlanAssociationAttributes;
    WlanLink link;
    CopySsid(association.dot11Ssid, link.ssid);
    std::memcpy(link.bssid.data(), association.dot11Bssid, link.bssid.size());
    link.authAlgorithm = static_cast<std::uint32_t>(connection.wlanSecurityAttributes.dot11AuthAlgorithm);
    link.rxRateKbps = association.ulRxRate;
    link.txRateKbps = association.ulTxRate;
    LONG rssi = 0;
    if (session.Query(guid, wlan_intf_opcode_rssi, rssi) == ERROR_SUCCESS) link.rssi = rssi;
    ULONG channel = 0;
    if (session.Query(guid, wlan_intf_opcode_channel_number, channel) == ERROR_SUCCESS) link.channel = channel;
    out = link;
    return ERROR_SUCCESS;
}

Win32Error Win32WirelessLan::BssList(std::string_view adapterName, std::vector<WlanBss>& out) {
    const WlanCalls& calls = Calls();
    if (!calls.Complete()) return ERROR_MOD_NOT_FOUND;
    Session session(calls);
    GUID guid{};
    if (const Win32Error rc = FindInterface(session, adapterName, guid); rc != ERROR_SUCCESS) return rc;
    WLAN_BSS_LIST* list = nullptr;
    const DWORD rc = calls.bssList(session.handle(), &guid, nullptr, dot11_BSS_type_any, FALSE, nullptr, &list);
    if (rc != ERROR_SUCCESS) return rc;
    out.clear();
    if (list && list->dwTotalSize >= offsetof(WLAN_BSS_LIST, wlanBssEntries)) {
        // The count the list claims, never more than its own size holds.
        const std::size_t room = (list->dwTotalSize - offsetof(WLAN_BSS_LIST, wlanBssEntries)) / sizeof(WLAN_BSS_ENTRY);
        const std::size_t count = std::min<std::size_t>(list->dwNumberOfItems, room);
        for (std::size_t i = 0; i < count; ++i) {
            const WLAN_BSS_ENTRY& entry = list->wlanBssEntries[i];
            WlanBss bss;
            std::memcpy(bss.bssid.data(), entry.dot11Bssid, bss.bssid.size());
            CopySsid(entry.dot11Ssid, bss.ssid);
            bss.rssi = entry.lRssi;
            bss.frequencyKhz = entry.ulChCenterFrequency;
            bss.beaconPeriod = entry.usBeaconPeriod;
            bss.privacy = (entry.usCapabilityInformation & 0x0010) != 0;
            out.push_back(bss);
        }
    }
    calls.free(list);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
