// DialerSettings: the in-memory record of HKLM "SOFTWARE\Zelta\zeltadialer", the one place all
// configuration lives. Built with defaults, filled by Load, then read by nearly everything else.
// Both deliverables use this one implementation; text is UTF-8 and capacities are in characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <string_view>

#include "common/log.h"
#include "platform/platform.h"
#include "platform/remote_access.h"

namespace zelta {

inline constexpr std::string_view kSettingsKey = "SOFTWARE\\Zelta\\zeltadialer";
inline constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunValue = "ZeltaVPN";

// The check boxes of the main window, as bits of "SetupFlags".
namespace setup_flag {
inline constexpr std::uint32_t kLaunchAtBoot = 0x1;
inline constexpr std::uint32_t kConnectAtLaunch = 0x2;
inline constexpr std::uint32_t kWaitForWireless = 0x4;
inline constexpr std::uint32_t kHideAfterConnect = 0x8;
inline constexpr std::uint32_t kDefault = kLaunchAtBoot | kWaitForWireless | kHideAfterConnect;  // 13
}  // namespace setup_flag

class DialerSettings {
public:
    // Whether the constructor asks the service control manager for "ExtranetAccess". The custom-dial
    // library never uses the answer and is built under the loader lock, where calling the service
    // control manager can deadlock its host process; it asks nothing.
    enum class ExtranetProbe { Probe, Skip };

    // Sets the defaults, reads the OS version, chooses the RAS entry form and (unless skipped)
    // probes for the "ExtranetAccess" service. Never fails.
    DialerSettings(Platform& platform, Log& log, ExtranetProbe probe = ExtranetProbe::Probe);

    // Reads the settings key and switches the log on. Returns 0, or -1 when the key cannot be opened
    // for reading (then nothing changes and the log stays as it was). May run more than once.
    int Load();
    // The name of every value Load reads.
    static std::vector<std::string_view> ValueNames();

    bool LaunchAtBoot() const { return (setupFlags & setup_flag::kLaunchAtBoot) != 0; }
    bool ConnectAtLaunch() const { return (setupFlags & setup_flag::kConnectAtLaunch) != 0; }
    bool WaitForWireless() const { return (setupFlags & setup_flag::kWaitForWireless) != 0; }
    bool HideAfterConnect() const { return (setupFlags & setup_flag::kHideAfterConnect) != 0; }

    // Each sets or clears its bit and saves "SetupFlags". SetLaunchAtBoot also removes the Run-key
    // value "ZeltaVPN" either way: nothing writes it any more, and an old one must not start a copy.
    void SetLaunchAtBoot(bool on);
    void SetConnectAtLaunch(bool on);
    void SetWaitForWireless(bool on);
    void SetHideAfterConnect(bool on);

    // Writes to the existing key only (it is never created); a write that fails is dropped, while
    // the field in memory changes all the same.
    void SaveSetupFlags();
    void SetRunning(bool running);
    void SetDisabled(bool disabled);

    // The process's platform and log, for the operations that work on behalf of these settings.
    Platform& platform() const { return *m_platform; }
    Log& log() const { return *m_log; }

    // The fields, named as the rest of the product knows them.
    std::uint32_t pptp = 0;
    std::uint32_t l2tp = 0;
    std::uint32_t pap = 0;
    std::uint32_t chap = 0;
    std::uint32_t msChap = 0;
    std::uint32_t msChapV2 = 0;
    std::uint32_t winlogon = 0;
    std::uint32_t balloons = 1;  // "Balloons": the tray's balloon notes, on unless 0
    std::uint32_t ikeAuthByCertificate = 0;
    std::string ikeEncryption;            // 8
    std::string ikeHash;                  // 8
    std::string ikePresharedKey;          // 1024
    std::string ikeCertificateAuthority;  // 1024
    std::string dialerName;               // 256
    std::string setupIp;                  // 64
    std::string dnsName;                  // 64
    std::string ipsecEncryption;          // 32
    std::string ipsecAuth;                // 32
    std::uint32_t ikeLifetimeSeconds = 0;
    std::uint32_t ipsecLifetimeSeconds = 0;
    std::uint32_t ikeDhGroup = 0;
    std::uint32_t cacheSecurId = 0;
    std::uint32_t dialupIp = 0;
    std::string installPath;  // 1024
    std::string installDir;   // 1024
    std::string banner;       // 256
    std::string noticeText;   // 256
    RasEntryForm rasEntrySize = RasEntryForm::Windows2000;
    std::uint32_t debugMask = 0;
    OsVersion osVersion;
    std::uint32_t ipsecServiceState = 0;
    std::array<std::string_view, 5> conflictingServices;
    std::uint32_t setupFlags = 0;
    std::uint32_t dnetClear = 0;
    std::uint32_t wiredNoWifi = 0;
    std::uint32_t extranetAccessPresent = 0;
    std::uint32_t isRunning = 0;
    std::uint32_t novellLogin = 0;
    std::uint32_t disabled = 0;
    std::uint32_t isInstalled = 0;
    std::uint32_t securIdNewPinMode = 0;

private:
    void SetFlag(std::uint32_t bit, bool on);
    void WriteMarker(std::string_view name, std::uint32_t value);

    Platform* m_platform;
    Log* m_log;
};

// The RAS entry form a Windows version takes: the XP record from 5.1 on (major at least 5 and minor
// at least 1, so 6.0 takes the Windows 2000 record too).
RasEntryForm RasEntryFormFor(const OsVersion& version);

}  // namespace zelta
