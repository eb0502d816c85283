// DialerSettings: defaults, loading from the registry, and the few values written back.
#include "common/dialer_settings.h"

#include <optional>
#include <span>
#include <type_traits>
#include <variant>

#include "common/preset_settings.h"
#include "common/registry_values.h"
#include "common/services.h"
#include "platform/text.h"

namespace zelta {

// Never defined, and not constexpr: a settings table entry that calls it does not compile.
void PresetReadAsAnotherType();

namespace {

using NumberField = std::uint32_t DialerSettings::*;
using TextField = std::string DialerSettings::*;

using D = DialerSettings;

// A setting's registry value name: a preset one (named by the package's list, with its type), or
// one only the programs write or read.
struct SettingName {
    consteval SettingName(const char* plain) : text(plain) {}
    consteval SettingName(PresetSetting setting) : text(setting.name), preset(setting.type) {}
    std::string_view text;
    std::optional<PresetType> preset;
};

using Default = std::optional<std::variant<std::uint32_t, std::string_view>>;

// One registry value and the field it fills. `capacity` (text only) counts characters with the
// terminator. `atConstruction` is the default a new record gets; `atEachLoad` is set by every load
// just before the value is read, so that a missing value falls back to it. A preset setting's field
// must be of the package's type for it, or the table does not compile.
struct Setting {
    template <typename Field>
    consteval Setting(SettingName value, Field D::*into, std::size_t characters = 0, Default first = std::nullopt,
                      std::optional<std::uint32_t> eachLoad = std::nullopt)
        : name(value.text), field(into), capacity(characters), atConstruction(first), atEachLoad(eachLoad),
          preset(value.preset.has_value()) {
        const bool number = std::is_same_v<Field, std::uint32_t>;
        if (value.preset && number != (*value.preset == PresetType::Dword)) PresetReadAsAnotherType();
    }
    std::string_view name;
    std::variant<NumberField, TextField> field;
    std::size_t capacity;
    Default atConstruction;
    std::optional<std::uint32_t> atEachLoad;
    bool preset;
};

using namespace preset;

// The values read straight into fields, in load order, in the groups Load walks.
constexpr Setting kProtocolSettings[] = {
    {PPTP, &D::pptp, 0, 0u},           {L2TP, &D::l2tp, 0, 1u},
    {PAP, &D::pap, 0, 0u},             {CHAP, &D::chap, 0, 0u},
    {MSCHAP, &D::msChap, 0, 0u},       {MSCHAPV2, &D::msChapV2, 0, 1u},
    {WINLOGON, &D::winlogon, 0, 1u},
};
constexpr Setting kServerSettings[] = {
    {IKEENC, &D::ikeEncryption, 8, "3DES"},
    {IKEHASH, &D::ikeHash, 8, "SHA"},
    {IKEPASSWD, &D::ikePresharedKey, 1024, "FQ"},
    {IKECA, &D::ikeCertificateAuthority, 1024, ""},
    {DIALER_NAME, &D::dialerName, 256, ""},
    {SETUPIP, &D::setupIp, 64},
    {DNS, &D::dnsName, 64, ""},
};
constexpr Setting kIpsecEncryption[] = {{IPSECENC, &D::ipsecEncryption, 32, "3DES"}};
constexpr Setting kIpsecAuth[] = {{IPSECAUTH, &D::ipsecAuth, 32}};
constexpr Setting kLifetimes[] = {
    {IKESECS, &D::ikeLifetimeSeconds, 0, 0u, 28800u},
    {IPSECSECS, &D::ipsecLifetimeSeconds, 0, 0u, 3600u},
};
constexpr Setting kInstallSettings[] = {
    {DEBUG, &D::debugMask, 0, 0u},
    {CACHE_SECURID, &D::cacheSecurId},
    {"DIALUPIP", &D::dialupIp},
    {"ZeltaVPNPath", &D::installPath, 1024},
    {"BANNER", &D::banner, 256},
    {COPYRIGHT, &D::noticeText, 256},
    {BALLOONS, &D::balloons, 0, 1u, 1u},
};
constexpr Setting kOptionSettings[] = {
    {SETUPFLAGS, &D::setupFlags, 0, 0u, setup_flag::kDefault},
    {DNETCLEAR, &D::dnetClear, 0, 0u},
    {WIREDNOWIFI, &D::wiredNoWifi, 0, 1u},
    {"NovellLogin", &D::novellLogin, 0, 1u},
    {"IsInstalled", &D::isInstalled, 0, 0u},
    {SECURID_NEWPINMODE, &D::securIdNewPinMode, 0, 0u},
};
constexpr std::span<const Setting> kAllSettings[] = {kProtocolSettings, kServerSettings, kIpsecEncryption, kIpsecAuth,
                                                     kLifetimes,        kInstallSettings, kOptionSettings};

// Read on their own, as the choice of a word they begin with.
constexpr PresetSetting kReadAsChoices[] = {IKEAUTH, IKEGROUP};

// Every setting the package presets is one the dialer reads.
consteval bool EveryPresetIsRead() {
    for (const PresetSetting& wanted : preset::kAll) {
        bool found = false;
        for (const PresetSetting& choice : kReadAsChoices) found = found || choice.name == wanted.name;
        for (const auto group : kAllSettings)
            for (const Setting& setting : group) found = found || (setting.preset && setting.name == wanted.name);
        if (!found) return false;
    }
    return true;
}
static_assert(EveryPresetIsRead(), "installer/settings.list presets a setting the settings table does not read");

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

std::vector<std::string_view> DialerSettings::ValueNames() {
    std::vector<std::string_view> names;
    for (const auto group : kAllSettings)
        for (const Setting& setting : group) names.push_back(setting.name);
    for (const PresetSetting& choice : kReadAsChoices) names.push_back(choice.name);
    return names;
}

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
        extranetAccessPresent = static_cast<std::uint32_t>(ServiceExists(platform.services, "ExtranetAccess"));
}

int DialerSettings::Load() {
    std::unique_ptr<RegistryKey> key;
    if (m_platform->registry.OpenKey(RegistryRoot::LocalMachine, kSettingsKey, RegAccess::Read, key) != err::kSuccess)
        return -1;

    ReadSettings(*this, *key, kProtocolSettings);
    ikeAuthByCertificate = PrefixMatches(ReadScratch(*key, preset::IKEAUTH.name), "RSA-SIG", 6) ? 1 : 0;
    ReadSettings(*this, *key, kServerSettings);
    ReadSettings(*this, *key, kIpsecEncryption);
    ipsecEncryption = PrefixMatches(ipsecEncryption, "ESP-DES", 7) ? "DES" : "3DES";
    ReadSettings(*this, *key, kIpsecAuth);
    ipsecAuth = PrefixMatches(ipsecAuth, "ESP-MD5-HMAC", 12) ? "MD5" : "SHA";
    ReadSettings(*this, *key, kLifetimes);
    ikeDhGroup = PrefixMatches(ReadScratch(*key, preset::IKEGROUP.name), "ONE", 3) ? 1 : 2;
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

void DialerSettings::SaveSetupFlags() { WriteMarker(preset::SETUPFLAGS.name, setupFlags); }

void DialerSettings::SetRunning(bool running) {
    isRunning = running ? 1 : 0;
    WriteMarker("IsRunning", isRunning);
}

void DialerSettings::SetDisabled(bool disabledNow) {
    disabled = disabledNow ? 1 : 0;
    WriteMarker("Disable", disabled);
}

}  // namespace zelta
