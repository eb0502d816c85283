// RemoteAccess: the Ras* calls on the default phonebook. Implemented by
// platform/win32/remote_access.cpp and platform/sim/remote_access.cpp.
//
// Record "forms" are the structure sizes different Windows versions accept, named by their
// documented i686 ANSI size; platform/win32 maps each to the real layout of its ABI and checks the
// documented sizes at compile time. Product code never sees a structure size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/secret.h"
#include "platform/ui.h"
#include "platform/win32_error.h"

namespace zelta {

// RASENTRY forms: the Windows XP record, and the Windows 2000 record (the XP one cut before
// dwfOptions2).
enum class RasEntryForm : std::uint32_t { WindowsXp = 2884, Windows2000 = 2088 };

// RASCONN forms, by their documented i686 ANSI sizes: Windows NT 4, 2000 and XP in turn (the last
// two are the XP record cut before dwFlags, and whole).
enum class RasConnForm : std::uint32_t { Nt351 = 268, Nt4 = 412, Windows2000 = 676, XpNoFlags = 692, WindowsXp = 704 };

// Remote-access error codes the product acts on.
namespace ras_error {
inline constexpr Win32Error kBufferTooSmall = 603;
inline constexpr Win32Error kCannotFindPhonebookEntry = 623;
inline constexpr Win32Error kUserDisconnection = 631;
inline constexpr Win32Error kInvalidSize = 632;
inline constexpr Win32Error kUnknown = 635;
inline constexpr Win32Error kAuthenticationFailure = 691;
}  // namespace ras_error

// RASCONNSTATE values.
namespace rascs {
inline constexpr std::uint32_t kOpenPort = 0;
inline constexpr std::uint32_t kPortOpened = 1;
inline constexpr std::uint32_t kConnectDevice = 2;
inline constexpr std::uint32_t kDeviceConnected = 3;
inline constexpr std::uint32_t kAllDevicesConnected = 4;
inline constexpr std::uint32_t kAuthenticate = 5;
inline constexpr std::uint32_t kAuthNotify = 6;
inline constexpr std::uint32_t kAuthProject = 10;
inline constexpr std::uint32_t kAuthenticated = 14;
inline constexpr std::uint32_t kProjected = 18;
inline constexpr std::uint32_t kConnected = 0x2000;
inline constexpr std::uint32_t kDisconnected = 0x2001;
}  // namespace rascs

// An HRASCONN: an opaque handle, 0 for none.
struct RasConnectionHandle {
    std::uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(RasConnectionHandle, RasConnectionHandle) = default;
};

// A RASDIALPARAMS record (the form with dwSubEntry and dwCallbackId).
struct RasDialParams {
    std::string szEntryName;
    std::string szPhoneNumber;
    std::string szCallbackNumber;
    std::string szUserName;
    SecretBuffer szPassword{256};
    std::string szDomain;
    std::uint32_t dwSubEntry = 0;
    std::uint64_t dwCallbackId = 0;  // a ULONG_PTR

    RasDialParams Clone() const {
        RasDialParams copy;
        copy.szEntryName = szEntryName;
        copy.szPhoneNumber = szPhoneNumber;
        copy.szCallbackNumber = szCallbackNumber;
        copy.szUserName = szUserName;
        copy.szPassword = szPassword.Clone();
        copy.szDomain = szDomain;
        copy.dwSubEntry = dwSubEntry;
        copy.dwCallbackId = dwCallbackId;
        return copy;
    }
};

// RASDIALEXTENSIONS (the 28-byte i686 form that ends with RasEapInfo).
struct RasDialExtensions {
    std::uint32_t dwSize = 28;
    std::uint32_t dwfOptions = 0;
    std::uint64_t hwndParent = 0;
    std::uint64_t reserved = 0;
    std::uint64_t reserved1 = 0;
    std::uint32_t eapSize = 0;     // RasEapInfo.dwSizeofEapInfo
    std::uint64_t eapData = 0;     // RasEapInfo.pbEapInfo, passed on as it came
    friend bool operator==(const RasDialExtensions&, const RasDialExtensions&) = default;
};

// RDEOPT_CustomDial: a dial placed by the custom dialer itself.
inline constexpr std::uint32_t kRasCustomDialOption = 0x00001000;

// What RasDial tells of the dial's progress: a window (type 0xFFFFFFFF) or the caller's callback,
// passed on untouched. Type 0 with no notifier dials synchronously.
struct RasNotifier {
    static constexpr std::uint32_t kWindowType = 0xFFFFFFFFu;
    std::uint32_t type = 0;
    std::uint64_t value = 0;
    static RasNotifier Window(WindowHandle window) { return {kWindowType, window.value}; }
};

struct RasConnection {
    RasConnectionHandle hrasconn;
    std::string szEntryName;
};

// RASENTRY constants, as Windows numbers them.
namespace rasentry {
inline constexpr std::uint32_t kOptionRemoteDefaultGateway = 0x00000010;
inline constexpr std::uint32_t kOptionDisableLcpExtensions = 0x00000020;
inline constexpr std::uint32_t kOptionModemLights = 0x00000100;
inline constexpr std::uint32_t kOptionRequireEncryptedPw = 0x00000400;
inline constexpr std::uint32_t kOptionRequireDataEncryption = 0x00001000;
inline constexpr std::uint32_t kOptionRequirePap = 0x00040000;
inline constexpr std::uint32_t kOptionPreviewUserPw = 0x01000000;
inline constexpr std::uint32_t kOptionShowDialingProgress = 0x04000000;
inline constexpr std::uint32_t kOptionRequireChap = 0x08000000;
inline constexpr std::uint32_t kOptionRequireMsChap = 0x10000000;
inline constexpr std::uint32_t kOptionRequireMsChap2 = 0x20000000;
inline constexpr std::uint32_t kNetProtocolIp = 0x4;
inline constexpr std::uint32_t kIdleDisabled = 0xFFFFFFFF;
inline constexpr std::uint32_t kTypeVpn = 2;
inline constexpr std::uint32_t kEncryptionRequireMax = 2;
inline constexpr std::uint32_t kVpnPptpOnly = 1;
inline constexpr std::uint32_t kVpnL2tpOnly = 3;
inline constexpr std::size_t kCustomDialDllCapacity = 260;  // characters, with the terminator
inline constexpr std::uint32_t kOption2UsePreSharedKey = 0x00000010;  // RASEO2_UsePreSharedKey
}  // namespace rasentry

// A phonebook entry: the fields the product sets, by their Windows names, and the rest of the record
// exactly as the OS gave it (`opaque`, meaningful only to the implementation that filled it). Writing
// an entry read earlier therefore keeps every field the product does not name.
struct RasEntry {
    RasEntryForm dwSize = RasEntryForm::WindowsXp;
    std::uint32_t dwfOptions = 0;
    std::string szLocalPhoneNumber;
    std::uint32_t dwfNetProtocols = 0;
    std::string szDeviceType;
    std::string szDeviceName;
    std::uint32_t dwIdleDisconnectSeconds = 0;
    std::uint32_t dwType = 0;
    std::uint32_t dwEncryptionType = 0;
    std::array<std::uint8_t, 16> guidId{};
    std::string szCustomDialDll;
    std::uint32_t dwVpnStrategy = 0;
    std::uint32_t dwfOptions2 = 0;  // the XP record only: 0 read, and not written, in the Windows 2000 one
    std::vector<std::uint8_t> opaque;  // empty: a new entry, zeros everywhere else

    friend bool operator==(const RasEntry&, const RasEntry&) = default;
};

// RAS_STATS: a connection's counters since it came up.
struct RasStatistics {
    std::uint32_t bytesSent = 0, bytesReceived = 0, framesSent = 0, framesReceived = 0;
    std::uint32_t crcErrors = 0, timeoutErrors = 0, alignmentErrors = 0, hardwareOverrunErrors = 0, framingErrors = 0,
                  bufferOverrunErrors = 0;
    std::uint32_t compressionRatioIn = 0, compressionRatioOut = 0;  // percent
    std::uint32_t bps = 0;
    std::uint32_t connectDurationMs = 0;

    std::uint32_t Errors() const {
        return crcErrors + timeoutErrors + alignmentErrors + hardwareOverrunErrors + framingErrors + bufferOverrunErrors;
    }
};

struct RasDevice {
    std::string szDeviceType;  // "vpn", "modem", ...
    std::string szDeviceName;  // "WAN Miniport (L2TP)"
};

class RemoteAccess {
public:
    virtual ~RemoteAccess() = default;

    // RasValidateEntryName: kSuccess when `entry` is free to create, kAlreadyExists (183) when it
    // exists, another code when the name is not valid.
    virtual Win32Error ValidateEntryName(std::string_view entry) = 0;

    // RasGetEntryProperties in `form`. ras_error::kInvalidSize when this Windows does not know the
    // form; ras_error::kCannotFindPhonebookEntry when there is no such entry. `out.dwSize` is `form`.
    virtual Win32Error GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) = 0;

    // RasSetEntryProperties with the record's own form (entry.dwSize); creates or replaces.
    virtual Win32Error SetEntryProperties(std::string_view entry, const RasEntry& value) = 0;

    // RasEnumDevices into room for `capacity` devices. ras_error::kBufferTooSmall (with `count` set to
    // the number there are, and `out` empty) when they do not fit; any other error leaves `count` 0.
    virtual Win32Error EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) = 0;

    // The calls below that take a `phonebook` take its path as Windows gave it to the caller ("" for
    // the default phonebook, as a null pointer would say).

    // RasDeleteEntry.
    virtual Win32Error DeleteEntry(std::string_view phonebook, std::string_view entry) = 0;

    // RasGetEntryDialParams: the stored user name (and password, when one is saved: `passwordSaved`).
    virtual Win32Error GetEntryDialParams(std::string_view phonebook, std::string_view entry, RasDialParams& out,
                                          bool& passwordSaved) = 0;
    // RasSetEntryDialParams; `removePassword` drops a saved password and stores the rest.
    virtual Win32Error SetEntryDialParams(std::string_view phonebook, const RasDialParams& params, bool removePassword) = 0;
    // RasSetCredentials of the default phonebook's `entry` with RASCM_PreSharedKey alone: the IPsec
    // pre-shared key Windows 6.0 and later negotiate the entry's L2TP with. The key is wiped from
    // every buffer of the call.
    virtual Win32Error SetPresharedKey(std::string_view entry, const SecretBuffer& key) = 0;

    // RasDial of params.szEntryName in the default phonebook, asynchronously: every state change and
    // the final error arrive at `notifier` as the registered message "RasDialEvent" (wParam the
    // state, lParam the error). `customDial` sets kRasCustomDialOption. `out` receives the handle even
    // when the call fails after creating it.
    virtual Win32Error Dial(const RasDialParams& params, bool customDial, WindowHandle notifier,
                            RasConnectionHandle& out) = 0;
    // RasDial with the caller's own extensions, phonebook ("" for the default one) and notifier, as a
    // custom dialer passes a dial on. Without a notifier it returns once the connection is up or has
    // failed. An entry that names a custom dialer is dialled by that library (its RasCustomDial)
    // unless the options carry kRasCustomDialOption.
    virtual Win32Error DialWith(const RasDialExtensions& extensions, std::string_view phonebook,
                                const RasDialParams& params, RasNotifier notifier, RasConnectionHandle& out) = 0;
    // RasHangUp: starts the hang-up; the handle stays valid until a status query answers 6.
    virtual Win32Error HangUp(RasConnectionHandle connection) = 0;
    // RasGetConnectStatus: the state (rascs) and the error of the connection; 6 (ERROR_INVALID_HANDLE)
    // once it is gone.
    virtual Win32Error GetConnectStatus(RasConnectionHandle connection, std::uint32_t& state, Win32Error& error) = 0;
    // RasGetProjectionInfo for RASP_PppIp: the tunnel's client and server addresses as dotted quads.
    virtual Win32Error GetIpProjection(RasConnectionHandle connection, std::string& clientAddress,
                                       std::string& serverAddress) = 0;
    // RasGetConnectionStatistics (Windows 2000 and later).
    virtual Win32Error ConnectionStatistics(RasConnectionHandle connection, RasStatistics& out) = 0;
    // RasEnumConnections with records of `form` and room for `capacity` of them. ras_error::kInvalidSize
    // when this Windows does not take the form.
    virtual Win32Error EnumConnections(RasConnForm form, std::size_t capacity, std::vector<RasConnection>& out) = 0;
    // RasGetErrorString; false when there is no text for `code`.
    virtual bool ErrorString(Win32Error code, std::string& out) = 0;
};

}  // namespace zelta
