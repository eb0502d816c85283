// DialerSettings: defaults, loading from the registry, and the few values written back.
#include "common/dialer_settings.h"

#include <optional>
#include <span>
#include <variant>

#include "common/registry_values.h"
#include "common/services.h"
#include "platform/text.h"

namespace zelta {
namespace {

using NumberField = std::uint32_t DialerSettings::*;
using TextField = std::string DialerSettings::*;

// One registry value and the field it fills. `capacity` (text only) counts characters with the
// terminator. `atConstruction` is the default a new record gets; `atEachLoad` is set by every load
// just before the value is read, so that a missing value falls back to it.
struct Setting {
    std::string_view name;
    std::variant<NumberField, TextField> field;
    std::size_t capacity = 0;
    std::optional<std::variant<std::uint32_t, std::string_view>> atConstruction;
    std::optional<std::uint32_t> atEachLoad;
};

using D = DialerSettings;

// The values read straight into fields, in load order, in the groups Load walks.
const Setting kProtocolSettings[] = {
    {"PPTP", &D::pptp, 0, 0u},           {"L2TP", &D::l2tp, 0, 1u},
    {"PAP", &D::pap, 0, 0u},             {"CHAP", &D::chap, 0, 0u},
    {"MSCHAP", &D::msChap, 0, 0u},       {"MSCHAPV2", &D::msChapV2, 0, 1u},
    {"WINLOGON", &D::winlogon, 0, 1u},
};
const Setting kServerSettings[] = {
    {"IKEENC", &D::ikeEncryption, 8, "3DES"},
    {"IKEHASH", &D::ikeHash, 8, "SHA"},
    {"IKEPASSWD", &D::ikePresharedKey, 1024, "FQ"},
    {"IKECA", &D::ikeCertificateAuthority, 1024, ""},
    {"DIALER_NAME", &D::dialerName, 256, ""},
    {"SETUPIP", &D::setupIp, 64, std::nullopt},
    {"DNS", &D::dnsName, 64, ""},
};
const Setting kIpsecEncryption[] = {{"IPSECENC", &D::ipsecEncryption, 32, "3DES"}};
const Setting kIpsecAuth[] = {{"IPSECAUTH", &D::ipsecAuth, 32, std::nullopt}};
const Setting kLifetimes[] = {
    {"IKESECS", &D::ikeLifetimeSeconds, 0, 0u, 28800u},
    {"IPSECSECS", &D::ipsecLifetimeSeconds, 0, 0u, 3600u},
};
const Setting kInstallSettings[] = {
    {"DEBUG", &D::debugMask, 0, 0u},
    {"CACHE-SECURID", &D::cacheSecurId, 0, std::nullopt},
    {"DIALUPIP", &D::dialupIp, 0, std::nullopt},
    {"ZeltaVPNPath", &D::installPath, 1024, std::nullopt},
    {"BANNER", &D::banner, 256, std::nullopt},
    {"COPYRIGHT", &D::noticeText, 256, std::nullopt},
    {"Balloons", &D::balloons, 0, 1u, 1u},
};
const Setting kOptionSettings[] = {
    {"SetupFlags", &D::setupFlags, 0, 0u, setup_flag::kDefault},
    {"DNETCLEAR", &D::dnetClear, 0, 0u},
    {"WIREDNOWIFI", &D::wiredNoWifi, 0, 1u},
    {"NovellLogin", &D::novellLogin, 0, 1u},
    {"IsInstalled", &D::isInstalled, 0, 0u},
    {"SECURID_NEWPINMODE", &D::securIdNewPinMode, 0, 0u},
};
const std::span<const Setting> kAllSettings[] = {kProtocolSettings, kServerSettings, kIpsecEncryption, kIpsecAuth,
                                                 kLifetimes,        kInstallSettings, kOptionSettings};

constexpr std::size_t kScratchCapacity = 1024;

void ApplyConstructionDefault(D& settings, const Setting& setting) {
    if (!setting.atConstruction) return;
    if (const auto* number = std::get_if<NumberField>(&setting.field)) {
        settings.*(*number) = std::get<std::uint32_t>(*setting.atConstruction);
    } else {
        settings.*std::get<TextField>(setting.field) = std::string(std::get<std::string_view>(*setting.atConstruction));
    }
}

// A missing or unusable value leaves the field as it was (or at its per-load default).
void ReadSettings(D& settings, RegistryKey& key, std::span<const Setting> group) {
    for (const Setting& setting : group) {
        if (const auto* number = std::get_if<NumberField>(&setting.field)) {
            if (setting.atEachLoad) settings.*(*number) = *setting.atEachLoad;
            if (auto value = ReadNumberValue(key, setting.name)) settings.*(*number) = *value;
        } else if (auto text = ReadTextValue(key, setting.name, setting.capacity)) {
            settings.*std::get<TextField>(setting.field) = std::move(*text);
        }
    }
}

// The first `n` characters of `text` equal those of `pattern`, without regard to case. A text
// shorter than `n` never matches.
bool PrefixMatches(std::string_view text, std::string_view pattern, std::size_t n) {
    return text.size() >= n && pattern.size() >= n && EqualsNoCase(text.substr(0, n), pattern.substr(0, n));
}

// A value read into a scratch text that was emptied first: a missing value reads as empty.
std::string ReadScratch(RegistryKey& key, std::string_view name) {
    return ReadTextValue(key, name, kScratchCapacity).value_or(std::string());
}

}  // namespace

RasEntryForm RasEntryFormFor(const OsVersion& version) {
    // Vista and later take the XP record, the first with dwfOptions2.
    return RoadFor(version) == WindowsRoad::Windows2000 ? RasEntryForm::Windows2000 : RasEntryForm::WindowsXp;
}

DialerSettings::DialerSettings(Platform& platform, Log& log, ExtranetProbe probe)
    : conflictingServices{"cvpndrv", "cvpndrva", "cvpnd", "ExtranetAccess", "VPN5000Service"},
      m_platform(&platform),
      m_log(&log) {
    for (const auto group : kAllSettings)
        for (const Setting& setting : group) ApplyConstructionDefault(*this, setting);
    if (platform.system.QueryOsVersion(osVersion) != err::kSuccess) osVersion = OsVersion{0, 0, 0, 0, {}};
    rasEntrySize = RasEntryFormFor(osVersion);
    if (probe == ExtranetProbe::Probe)
        extranetAccessPresent = static_cast<std::uint32_t>(ServiceExists(platform, "ExtranetAccess"));
}

int DialerSettings::Load() {
    std::unique_ptr<RegistryKey> key;
    if (m_platform->registry.OpenKey(RegistryRoot::LocalMachine, kSettingsKey, RegAccess::Read, key) != err::kSuccess)
        return -1;

    ReadSettings(*this, *key, kProtocolSettings);
    ikeAuthByCertificate = PrefixMatches(ReadScratch(*key, "IKEAUTH"), "RSA-SIG", 6) ? 1 : 0;
    ReadSettings(*this, *key, kServerSettings);
    ReadSettings(*this, *key, kIpsecEncryption);
    ipsecEncryption = PrefixMatches(ipsecEncryption, "ESP-DES", 7) ? "DES" : "3DES";
    ReadSettings(*this, *key, kIpsecAuth);
    ipsecAuth = PrefixMatches(ipsecAuth, "ESP-MD5-HMAC", 12) ? "MD5" : "SHA";
    ReadSettings(*this, *key, kLifetimes);
    ikeDhGroup = PrefixMatches(ReadScratch(*key, "IKEGROUP"), "ONE", 3) ? 1 : 2;
    ReadSettings(*this, *key, kInstallSettings);

    const auto slash = installPath.rfind('\\');
    installDir = slash == std::string::npos ? installPath : installPath.substr(0, slash);
    m_log->SetMaskFromDebugSetting(debugMask);
    m_log->Enable(installDir);

    ReadSettings(*this, *key, kOptionSettings);
    return 0;
}

void DialerSettings::SetFlag(std::uint32_t bit, bool on) {
    setupFlags = on ? (setupFlags | bit) : (setupFlags & ~bit);
}

void DialerSettings::SetLaunchAtBoot(bool on) {
    SetFlag(setup_flag::kLaunchAtBoot, on);
    std::unique_ptr<RegistryKey> run;
    if (m_platform->registry.OpenKey(RegistryRoot::LocalMachine, kRunKey, RegAccess::SetValue, run) == err::kSuccess)
        run->DeleteValue(kRunValue);
    SaveSetupFlags();
}

void DialerSettings::SetConnectAtLaunch(bool on) {
    SetFlag(setup_flag::kConnectAtLaunch, on);
    SaveSetupFlags();
}

void DialerSettings::SetWaitForWireless(bool on) {
    SetFlag(setup_flag::kWaitForWireless, on);
    SaveSetupFlags();
}

void DialerSettings::SetHideAfterConnect(bool on) {
    SetFlag(setup_flag::kHideAfterConnect, on);
    SaveSetupFlags();
}

void DialerSettings::WriteMarker(std::string_view name, std::uint32_t value) {
    std::unique_ptr<RegistryKey> key;
    if (m_platform->registry.OpenKey(RegistryRoot::LocalMachine, kSettingsKey, RegAccess::Write, key) == err::kSuccess)
        WriteNumberValue(*key, name, value);
}

void DialerSettings::SaveSetupFlags() { WriteMarker("SetupFlags", setupFlags); }

void DialerSettings::SetRunning(bool running) {
    isRunning = running ? 1 : 0;
    WriteMarker("IsRunning", isRunning);
}

void DialerSettings::SetDisabled(bool disabledNow) {
    disabled = disabledNow ? 1 : 0;
    WriteMarker("Disable", disabled);
}

}  // namespace zelta
