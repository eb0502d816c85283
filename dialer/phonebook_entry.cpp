// ProvisionPhonebookEntry: the "Zelta VPN" entry, created or brought into shape.
#include "dialer/phonebook_entry.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/shared_names.h"

namespace zelta {
namespace {

constexpr std::size_t kDeviceCapacity = 2048;
constexpr std::uint32_t kAuthenticationBits = rasentry::kOptionRequireEncryptedPw | rasentry::kOptionRequirePap |
                                              rasentry::kOptionRequireChap | rasentry::kOptionRequireMsChap |
                                              rasentry::kOptionRequireMsChap2;  // cleared: 0xC7FBFBFF keeps the rest
constexpr std::uint32_t kFixedOptions = rasentry::kOptionRemoteDefaultGateway |
                                        rasentry::kOptionDisableLcpExtensions | rasentry::kOptionModemLights |
                                        rasentry::kOptionRequireDataEncryption |
                                        rasentry::kOptionPreviewUserPw;  // 0x01001130

// The first device whose name (not its type) contains the wanted protocol, case-sensitively.
std::optional<RasDevice> ChooseDevice(const DialerSettings& settings, const std::vector<RasDevice>& devices) {
    const char* wanted = settings.l2tp ? "L2TP" : settings.pptp ? "PPTP" : nullptr;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const RasDevice& device = devices[i];
        settings.log().DebugTrace("%d: %s :  %s\n", static_cast<int>(i), device.szDeviceType.c_str(),
                                  device.szDeviceName.c_str());
        if (wanted && device.szDeviceName.find(wanted) != std::string::npos) return device;
    }
    return std::nullopt;
}

}  // namespace

std::uint32_t EntryOptions(const DialerSettings& settings, std::uint32_t existing) {
    std::uint32_t options = (existing & ~kAuthenticationBits) | kFixedOptions;
    if (settings.cacheSecurId) {
        // SecurID tokens need the clear-text password the server forwards: PAP alone.
        return options | rasentry::kOptionRequirePap;
    }
    if (settings.chap) options |= rasentry::kOptionRequireChap | rasentry::kOptionRequireEncryptedPw;
    if (settings.msChap) options |= rasentry::kOptionRequireMsChap | rasentry::kOptionRequireEncryptedPw;
    if (settings.msChapV2) options |= rasentry::kOptionRequireMsChap2 | rasentry::kOptionRequireEncryptedPw;
    if (settings.pap) options = (options & ~rasentry::kOptionRequireEncryptedPw) | rasentry::kOptionRequirePap;
    return options;
}

std::uint32_t EntryOptions2(const DialerSettings& settings, std::uint32_t existing) {
    if (RoadFor(settings.osVersion) != WindowsRoad::Vista || !settings.l2tp) return existing;
    return settings.ikeAuthByCertificate != 0 ? existing & ~rasentry::kOption2UsePreSharedKey
                                              : existing | rasentry::kOption2UsePreSharedKey;
}

Win32Error HandPresharedKey(DialerSettings& settings) {
    if (RoadFor(settings.osVersion) != WindowsRoad::Vista || !settings.l2tp || settings.ikeAuthByCertificate != 0)
        return err::kSuccess;
    SecretBuffer key(std::max<std::size_t>(settings.ikePresharedKey.size(), 1));
    key.Assign(settings.ikePresharedKey);
    return settings.platform().remoteAccess.SetPresharedKey(kEntryName, key);
}

namespace {

// The entry as it stands (`exists` false when there is none), read in the settings' record form or,
// when Windows 2000 refuses that, in its own. False when neither form is taken.
bool ReadExistingEntry(DialerSettings& settings, RasEntryForm& form, RasEntry& existing, bool& exists) {
    RemoteAccess& ras = settings.platform().remoteAccess;
    form = settings.rasEntrySize;
    Win32Error rc = ras.GetEntryProperties(kEntryName, form, existing);
    if (rc == ras_error::kInvalidSize) {
        form = RasEntryForm::Windows2000;  // Windows 2000 refuses the XP record
        rc = ras.GetEntryProperties(kEntryName, form, existing);
        if (rc == ras_error::kInvalidSize) {
            settings.log().LogMessage(log_level::kMain, "Unable to detect windows version for RasGetEntryProperties\n");
            return false;
        }
    }
    exists = rc == err::kSuccess;
    return true;
}

// The VPN device the entry dials through.
std::optional<RasDevice> FindVpnDevice(DialerSettings& settings) {
    Log& log = settings.log();
    std::vector<RasDevice> devices;
    std::uint32_t deviceCount = 0;
    const Win32Error rc = settings.platform().remoteAccess.EnumDevices(kDeviceCapacity, devices, deviceCount);
    if (rc != err::kSuccess) {
        log.DebugTrace("RasEnumDevices returned %d\n", static_cast<int>(rc));
        log.LogMessage(log_level::kMain, "Too many RAS devices present = %d.\n", static_cast<int>(deviceCount));
        return std::nullopt;
    }
    log.DebugTrace("RasEnumDevices succeeded, numdevs=%d\n", static_cast<int>(deviceCount));
    std::optional<RasDevice> device = ChooseDevice(settings, devices);
    if (!device) log.LogMessage(log_level::kMain, "Could not find a VPN device.\n");
    return device;
}

// The entry as the settings want it. Everything the entry had that we do not set stays as it was,
// its identifier included. Nothing when the library's path would not fit.
std::optional<RasEntry> WantedEntry(DialerSettings& settings, RasEntryForm form, const RasEntry* existing,
                                    const RasDevice& device) {
    RasEntry entry = existing ? *existing : RasEntry{};
    entry.dwSize = existing ? existing->dwSize : form;
    entry.szCustomDialDll = settings.installDir + "\\zeltavpn.dll";
    if (CharacterCount(entry.szCustomDialDll) > rasentry::kCustomDialDllCapacity - 1) {
        // A cut path would name a library that is not there, and every dial of the entry would fail.
        settings.log().LogMessage(log_level::kMain, "Custom dial library path too long: %s\n", entry.szCustomDialDll.c_str());
        return std::nullopt;
    }
    entry.dwfOptions = EntryOptions(settings, existing ? existing->dwfOptions : 0);
    entry.dwfNetProtocols = rasentry::kNetProtocolIp;
    entry.szDeviceType = device.szDeviceType;
    entry.szDeviceName = device.szDeviceName;
    entry.szLocalPhoneNumber = settings.setupIp;
    entry.dwIdleDisconnectSeconds = rasentry::kIdleDisabled;
    entry.dwType = rasentry::kTypeVpn;
    entry.dwEncryptionType = rasentry::kEncryptionRequireMax;
    entry.dwVpnStrategy = settings.l2tp ? rasentry::kVpnL2tpOnly : rasentry::kVpnPptpOnly;
    if (entry.dwSize == RasEntryForm::WindowsXp) entry.dwfOptions2 = EntryOptions2(settings, entry.dwfOptions2);
    if (existing) entry.guidId = existing->guidId;
    return entry;
}

}  // namespace

bool ProvisionPhonebookEntry(DialerSettings& settings) {
    Log& log = settings.log();
    RasEntryForm form = settings.rasEntrySize;
    RasEntry existing;
    bool exists = false;
    if (!ReadExistingEntry(settings, form, existing, exists)) return false;
    const std::optional<RasDevice> device = FindVpnDevice(settings);
    if (!device) return false;
    const std::optional<RasEntry> entry = WantedEntry(settings, form, exists ? &existing : nullptr, *device);
    if (!entry) return false;

    if (exists) {
        log.LogMessage(log_level::kDevices, "custom dial orig=%s, new=%s\n", existing.szCustomDialDll.c_str(),
                       entry->szCustomDialDll.c_str());
        // Texts compare as texts, so bytes an old record keeps behind a terminator cannot force a
        // rewrite; the platform leaves such bytes alone when it writes an unchanged text.
        if (*entry == existing) {
            log.LogMessage(log_level::kDevices, "Not overwriting original ras entries, size=%d\n",
                           static_cast<int>(existing.dwSize));
            return true;
        }
    }

    log.LogMessage(log_level::kDevices, "Overwriting original ras entries, size=%d, %d, %d\n",
                   static_cast<int>(settings.rasEntrySize), static_cast<int>(entry->dwSize),
                   static_cast<int>(RasEntryForm::WindowsXp));
    if (const Win32Error rc = settings.platform().remoteAccess.SetEntryProperties(kEntryName, *entry); rc != err::kSuccess) {
        log.LogMessage(log_level::kMain, "RasSetEntryProperties returned error %d\n", static_cast<int>(rc));
        return false;
    }
    return true;
}

}  // namespace zelta
