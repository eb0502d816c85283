// Loading the settings key: defaults, derived fields, the rules for odd values, and what is written back.
#include "common/dialer_settings.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

TEST(DialerSettings, AnEmptyKeyYieldsEveryDefault) {
    SettingsMachine m;
    m.CreateKey();
    DialerSettings s(m.platform, m.log);
    ASSERT_EQ(s.Load(), 0);

    EXPECT_EQ(s.l2tp, 1u);
    EXPECT_EQ(s.pptp, 0u);
    EXPECT_EQ(s.msChapV2, 1u);
    EXPECT_EQ(s.winlogon, 1u);
    EXPECT_EQ(s.ikeEncryption, "3DES");
    EXPECT_EQ(s.ikeHash, "SHA");
    EXPECT_EQ(s.ikeDhGroup, 2u);
    EXPECT_EQ(s.ikeAuthByCertificate, 0u);
    EXPECT_EQ(s.ikePresharedKey, "FQ");
    EXPECT_EQ(s.ipsecEncryption, "3DES");
    EXPECT_EQ(s.ipsecAuth, "SHA");
    EXPECT_EQ(s.ikeLifetimeSeconds, 28800u);
    EXPECT_EQ(s.ipsecLifetimeSeconds, 3600u);
    EXPECT_EQ(s.setupFlags, 13u);
    EXPECT_EQ(s.wiredNoWifi, 1u);
    EXPECT_EQ(s.novellLogin, 1u);
    EXPECT_EQ(s.installDir, "");
    EXPECT_TRUE(m.log.enabled());
    EXPECT_EQ(m.log.path(), "\\vpn.log");
    EXPECT_EQ(m.log.rotatedPath(), "\\vpn.log.1");
    EXPECT_EQ(m.log.mask(), 1u);
    EXPECT_EQ(s.conflictingServices[0], "cvpndrv");
    EXPECT_EQ(s.conflictingServices[4], "VPN5000Service");
}

TEST(DialerSettings, AMissingKeyChangesNothingAndKeepsTheLogOff) {
    SettingsMachine m;
    DialerSettings s(m.platform, m.log);
    EXPECT_EQ(s.Load(), -1);
    EXPECT_EQ(s.setupFlags, 0u);
    EXPECT_EQ(s.ikeLifetimeSeconds, 0u);
    EXPECT_EQ(s.ikeDhGroup, 0u);
    EXPECT_EQ(s.l2tp, 1u);
    EXPECT_EQ(s.ikeEncryption, "3DES");
    EXPECT_FALSE(m.log.enabled());
    m.log.LogMessage(1, "lost\n");
    EXPECT_FALSE(m.host.files().Exists("\\vpn.log"));
}

TEST(DialerSettings, DerivedFieldsCompareExactlyNCharactersWithoutRegardToCase) {
    struct Case {
        const char* value;
        const char* text;
        std::string DialerSettings::*field;
        const char* expected;
    };
    const Case texts[] = {
        {"IPSECENC", "ESP-3DES", &DialerSettings::ipsecEncryption, "3DES"},
        {"IPSECENC", "esp-des", &DialerSettings::ipsecEncryption, "DES"},
        {"IPSECENC", "ESP-DE", &DialerSettings::ipsecEncryption, "3DES"},
        {"IPSECAUTH", "ESP-SHA-HMAC", &DialerSettings::ipsecAuth, "SHA"},
        {"IPSECAUTH", "esp-md5-hmac-96", &DialerSettings::ipsecAuth, "MD5"},
        {"IPSECAUTH", "ESP-MD5-HMA", &DialerSettings::ipsecAuth, "SHA"},
    };
    for (const auto& c : texts) {
        SettingsMachine m;
        m.SetString(c.value, c.text);
        DialerSettings s(m.platform, m.log);
        s.Load();
        EXPECT_EQ(s.*c.field, c.expected) << c.value << " = " << c.text;
    }

    struct NumberCase {
        const char* value;
        const char* text;
        std::uint32_t DialerSettings::*field;
        std::uint32_t expected;
    };
    const NumberCase numbers[] = {
        {"IKEAUTH", "rsa-sig", &DialerSettings::ikeAuthByCertificate, 1},
        {"IKEAUTH", "RSA-SIGNATURE", &DialerSettings::ikeAuthByCertificate, 1},
        {"IKEAUTH", "RSA-S", &DialerSettings::ikeAuthByCertificate, 0},
        {"IKEAUTH", "PRESHARE", &DialerSettings::ikeAuthByCertificate, 0},
        {"IKEGROUP", "one", &DialerSettings::ikeDhGroup, 1},
        {"IKEGROUP", "ON", &DialerSettings::ikeDhGroup, 2},
        {"IKEGROUP", "TWO", &DialerSettings::ikeDhGroup, 2},
    };
    for (const auto& c : numbers) {
        SettingsMachine m;
        m.SetString(c.value, c.text);
        DialerSettings s(m.platform, m.log);
        s.Load();
        EXPECT_EQ(s.*c.field, c.expected) << c.value << " = " << c.text;
    }
}

TEST(DialerSettings, TheInstallationDirectoryIsThePathWithoutItsLastComponent) {
    SettingsMachine m;
    m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
    DialerSettings s(m.platform, m.log);
    s.Load();
    EXPECT_EQ(s.installPath, "C:\\Dialer\\dial.exe");
    EXPECT_EQ(s.installDir, "C:\\Dialer");
    EXPECT_EQ(m.log.path(), "C:\\Dialer\\vpn.log");
    EXPECT_EQ(m.log.rotatedPath(), "C:\\Dialer\\vpn.log.1");

    m.SetString("ZeltaVPNPath", "dial.exe");
    s.Load();
    EXPECT_EQ(s.installDir, "dial.exe");
    EXPECT_EQ(m.log.path(), "dial.exe\\vpn.log");
}

TEST(DialerSettings, NumbersAreTakenFromDwordsFourByteBinariesAndDecimalStrings) {
    SettingsMachine m;
    m.SetString("L2TP", "0");                                       // an administrator's "0" means off
    m.SetString("PAP", "1");
    m.SetString("CHAP", "yes");                                     // not a number: ignored
    m.SetRaw("MSCHAP", RegType::Binary, {1, 0, 0, 0});
    m.SetRaw("MSCHAPV2", RegType::Binary, {0, 0});                  // wrong size: ignored
    m.SetRaw("WINLOGON", RegType::MultiString, {'0', 0, 0, 0, 0, 0});  // wrong type: ignored
    m.SetDword("DEBUG", 31);
    m.SetString("IKESECS", "4294967296");                           // out of range: ignored
    m.SetString("IPSECSECS", "7200");
    m.SetString("SECURID_NEWPINMODE", "000000000008");              // zero-padded: eight
    DialerSettings s(m.platform, m.log);
    s.Load();
    EXPECT_EQ(s.l2tp, 0u);
    EXPECT_EQ(s.pap, 1u);
    EXPECT_EQ(s.chap, 0u);
    EXPECT_EQ(s.msChap, 1u);
    EXPECT_EQ(s.msChapV2, 1u);
    EXPECT_EQ(s.winlogon, 1u);
    EXPECT_EQ(s.debugMask, 31u);
    EXPECT_EQ(m.log.mask(), 31u);
    EXPECT_EQ(s.ikeLifetimeSeconds, 28800u);
    EXPECT_EQ(s.ipsecLifetimeSeconds, 7200u);
    EXPECT_EQ(s.securIdNewPinMode, 8u);
}

TEST(DialerSettings, AValueLargerThanItsFieldIsIgnored) {
    SettingsMachine m;
    m.SetString("DIALER_NAME", std::string(255, 'n'));  // fits 256 with its terminator
    m.SetString("DNS", std::string(64, 'd'));           // needs 65
    m.SetString("IKEENC", "AES-256X");                  // 8 characters need 9
    m.SetRaw("IKEHASH", RegType::String, {'M', 0, 'D', 0, '5', 0});  // stored without a terminator
    m.SetRaw("IKEPASSWD", RegType::String, std::vector<std::uint8_t>(2 * 1024, 'k'));  // 1024, no terminator
    m.SetDword("SETUPIP", 0x0100000A);                  // a number where text belongs
    DialerSettings s(m.platform, m.log);
    s.Load();
    EXPECT_EQ(s.dialerName, std::string(255, 'n'));
    EXPECT_EQ(s.dnsName, "");
    EXPECT_EQ(s.ikeEncryption, "3DES");
    EXPECT_EQ(s.ikeHash, "MD5");
    EXPECT_EQ(s.ikePresharedKey, "FQ");
    EXPECT_EQ(s.setupIp, "");
}

TEST(DialerSettings, PerLoadDefaultsComeBackOnEveryLoadAndTheMaskOnlyChangesToNonZero) {
    SettingsMachine m;
    m.SetDword("IKESECS", 100);
    m.SetDword("SetupFlags", 2);
    m.SetDword("DEBUG", 31);
    DialerSettings s(m.platform, m.log);
    s.Load();
    EXPECT_EQ(s.ikeLifetimeSeconds, 100u);
    EXPECT_EQ(s.setupFlags, 2u);

    m.host.registry().Find(RegistryRoot::LocalMachine, kSettingsKey)->values.clear();
    m.SetDword("DEBUG", 0);
    s.Load();
    EXPECT_EQ(s.ikeLifetimeSeconds, 28800u);
    EXPECT_EQ(s.setupFlags, 13u);
    EXPECT_EQ(s.debugMask, 0u);
    EXPECT_EQ(m.log.mask(), 31u);
}

TEST(DialerSettings, ConstructionReadsTheOsVersionAndProbesExtranetAccess) {
    struct Case {
        std::uint32_t major, minor;
        RasEntryForm form;
    };
    for (const Case c : {Case{5, 0, RasEntryForm::Windows2000}, Case{5, 1, RasEntryForm::WindowsXp},
                         Case{5, 2, RasEntryForm::WindowsXp}, Case{6, 0, RasEntryForm::WindowsXp},
                         Case{10, 0, RasEntryForm::WindowsXp}, Case{4, 1, RasEntryForm::Windows2000}}) {
        SettingsMachine m(c.major, c.minor);
        DialerSettings s(m.platform, m.log);
        EXPECT_EQ(s.rasEntrySize, c.form) << c.major << "." << c.minor;
        EXPECT_EQ(s.osVersion.major, c.major);
        EXPECT_EQ(s.extranetAccessPresent, 0u);
    }
    SettingsMachine m;
    m.host.AddService("ExtranetAccess", ServiceState::Stopped);
    EXPECT_EQ(DialerSettings(m.platform, m.log).extranetAccessPresent, 1u);
}

TEST(DialerSettings, OptionSettersSaveTheFlagsAndLaunchAtBootClearsTheRunKeyBothWays) {
    SettingsMachine m;
    m.CreateKey();
    DialerSettings s(m.platform, m.log);
    s.Load();
    const auto runValue = [&] { return m.host.registry().Value(RegistryRoot::LocalMachine, kRunKey, kRunValue); };

    m.host.registry().SetString(RegistryRoot::LocalMachine, kRunKey, kRunValue, "C:\\Dialer\\dial.exe");
    s.SetLaunchAtBoot(!s.LaunchAtBoot());
    EXPECT_FALSE(s.LaunchAtBoot());
    EXPECT_EQ(m.Dword("SetupFlags"), 12u);
    EXPECT_FALSE(runValue());

    m.host.registry().SetString(RegistryRoot::LocalMachine, kRunKey, kRunValue, "C:\\Dialer\\dial.exe");
    s.SetLaunchAtBoot(true);
    EXPECT_EQ(m.Dword("SetupFlags"), 13u);
    EXPECT_FALSE(runValue());

    s.SetConnectAtLaunch(true);
    s.SetWaitForWireless(false);
    s.SetHideAfterConnect(false);
    EXPECT_TRUE(s.ConnectAtLaunch());
    EXPECT_FALSE(s.WaitForWireless());
    EXPECT_FALSE(s.HideAfterConnect());
    EXPECT_EQ(m.Dword("SetupFlags"), 3u);
}

TEST(DialerSettings, MarkersAreWrittenToAnExistingKeyOnly) {
    SettingsMachine m;
    DialerSettings s(m.platform, m.log);
    s.SetRunning(true);
    s.SetDisabled(true);
    EXPECT_EQ(s.isRunning, 1u);
    EXPECT_EQ(s.disabled, 1u);
    EXPECT_EQ(m.host.registry().Find(RegistryRoot::LocalMachine, kSettingsKey), nullptr);

    m.CreateKey();
    s.SetRunning(true);
    s.SetDisabled(false);
    EXPECT_EQ(m.Dword("IsRunning"), 1u);
    EXPECT_EQ(m.Dword("Disable"), 0u);
    s.SetRunning(false);
    EXPECT_EQ(m.Dword("IsRunning"), 0u);

    m.host.faults().Inject("RegSetValueEx", err::kAccessDenied, "IsRunning");
    s.SetRunning(true);
    EXPECT_EQ(s.isRunning, 1u);
    EXPECT_EQ(m.Dword("IsRunning"), 0u);
}

}  // namespace
}  // namespace zelta
