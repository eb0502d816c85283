// The "Zelta VPN" entry: created in the right shape, rewritten only when it differs.
#include "dialer/phonebook_entry.h"

#include <gtest/gtest.h>

#include "tests/support/dialer_machine.h"

namespace zelta {
namespace {

using testing::DialerMachine;

bool Provision(DialerMachine& m, const std::function<void(DialerSettings&)>& adjust = {}) {
    DialerSettings settings(m.platform, m.log);
    settings.Load();
    if (adjust) adjust(settings);
    return ProvisionPhonebookEntry(settings);
}

TEST(PhonebookEntry, AMissingEntryIsCreatedWithTheTableValuesAndZerosElsewhere) {
    DialerMachine m;
    ASSERT_TRUE(Provision(m));
    const RasEntry* e = m.Entry();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->dwSize, RasEntryForm::WindowsXp);
    EXPECT_EQ(e->dwfOptions, 0x21001530u);
    EXPECT_EQ(e->szLocalPhoneNumber, "10.1.0.1");
    EXPECT_EQ(e->dwfNetProtocols, 0x4u);
    EXPECT_EQ(e->szDeviceType, "vpn");
    EXPECT_EQ(e->szDeviceName, "WAN Miniport (L2TP)");
    EXPECT_EQ(e->dwIdleDisconnectSeconds, 0xFFFFFFFFu);
    EXPECT_EQ(e->dwType, 2u);
    EXPECT_EQ(e->dwEncryptionType, 2u);
    EXPECT_EQ(e->guidId, (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(e->szCustomDialDll, "C:\\Dialer\\zeltavpn.dll");
    EXPECT_EQ(e->dwVpnStrategy, 3u);
    EXPECT_TRUE(e->opaque.empty());
    EXPECT_NE(m.LogText().find("Overwriting original ras entries, size=2884, 2884, 2884\r\n"), std::string::npos);
}

TEST(PhonebookEntry, FromWindows6OnTheEntryAsksForThePresharedKeyAndTheKeyGoesToWindows) {
    DialerMachine m(10, 0);
    m.SetString("IKEPASSWD", "campus secret");
    RasEntry old;
    old.dwSize = RasEntryForm::WindowsXp;
    old.dwfOptions2 = 0x00000101;  // bits of the entry's own, kept
    m.host.phonebook().entries["Zelta VPN"] = old;
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.Entry()->dwSize, RasEntryForm::WindowsXp);
    EXPECT_EQ(m.Entry()->dwfOptions2, 0x00000111u);

    DialerSettings settings(m.platform, m.log);
    settings.Load();
    EXPECT_EQ(HandPresharedKey(settings), err::kSuccess);
    EXPECT_EQ(m.host.phonebook().presharedKeys.at("Zelta VPN"), "campus secret");
    EXPECT_EQ(m.LogText().find("campus secret"), std::string::npos);  // never logged

    // A certificate: the option cleared, no key handed over.
    m.host.phonebook().presharedKeys.clear();
    m.SetString("IKEAUTH", "RSA-SIG");
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.Entry()->dwfOptions2, 0x00000101u);
    DialerSettings certificate(m.platform, m.log);
    certificate.Load();
    EXPECT_EQ(HandPresharedKey(certificate), err::kSuccess);
    EXPECT_TRUE(m.host.phonebook().presharedKeys.empty());

    // A refused RasSetCredentials is the caller's to report.
    m.SetString("IKEAUTH", "PRESHARE");
    m.host.faults().Inject("RasSetCredentials", 5);
    DialerSettings refused(m.platform, m.log);
    refused.Load();
    EXPECT_EQ(HandPresharedKey(refused), 5u);
}

TEST(PhonebookEntry, OnWindowsXpTheEntrysSecondOptionsAreLeftAloneAndNoKeyIsHanded) {
    DialerMachine m(5, 1);
    RasEntry old;
    old.dwSize = RasEntryForm::WindowsXp;
    old.dwfOptions2 = 0x00000101;
    m.host.phonebook().entries["Zelta VPN"] = old;
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.Entry()->dwfOptions2, 0x00000101u);
    DialerSettings settings(m.platform, m.log);
    settings.Load();
    EXPECT_EQ(HandPresharedKey(settings), err::kSuccess);
    EXPECT_TRUE(m.host.phonebook().presharedKeys.empty());
}

TEST(PhonebookEntry, AnUnchangedEntryIsNeverRewritten) {
    DialerMachine m;
    ASSERT_TRUE(Provision(m));
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.host.phonebook().writes.size(), 1u);
    const std::string log = m.LogText();
    EXPECT_NE(log.find("custom dial orig=C:\\Dialer\\zeltavpn.dll, new=C:\\Dialer\\zeltavpn.dll\r\n"), std::string::npos);
    EXPECT_NE(log.find("Not overwriting original ras entries, size=2884\r\n"), std::string::npos);

    m.SetString("SETUPIP", "10.1.0.2");  // a changed server is written
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.host.phonebook().writes.size(), 2u);
    EXPECT_EQ(m.Entry()->szLocalPhoneNumber, "10.1.0.2");
}

TEST(PhonebookEntry, AnExistingEntryKeepsItsIdentityAndTheOptionsWeDoNotOwn) {
    DialerMachine m;
    RasEntry old;
    old.dwSize = RasEntryForm::WindowsXp;
    old.guidId = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    old.dwfOptions = rasentry::kOptionShowDialingProgress | rasentry::kOptionRequireChap | 0x2;
    old.opaque = std::vector<std::uint8_t>(100, 0xAB);
    m.host.phonebook().entries["Zelta VPN"] = old;
    ASSERT_TRUE(Provision(m));
    const RasEntry* e = m.Entry();
    EXPECT_EQ(e->guidId, old.guidId);
    EXPECT_EQ(e->opaque, old.opaque);
    EXPECT_EQ(e->dwfOptions, 0x21001530u | rasentry::kOptionShowDialingProgress | 0x2);
}

TEST(PhonebookEntry, AuthenticationFollowsTheSettings) {
    struct Case {
        const char* what;
        std::uint32_t pap, chap, msChap, msChapV2, cacheSecurId;
        std::uint32_t options;
    };
    const Case cases[] = {
        {"defaults", 0, 0, 0, 1, 0, 0x21001530},
        {"SecurID caching forces PAP only", 1, 1, 1, 1, 1, 0x01041130},
        {"PAP with MS-CHAP v2 drops the encrypted password", 1, 0, 0, 1, 0, 0x21041130},
        {"CHAP and MS-CHAP", 0, 1, 1, 0, 0, 0x19001530},
        {"none at all", 0, 0, 0, 0, 0, 0x01001130},
    };
    for (const Case& c : cases) {
        DialerMachine m;
        m.SetDword("PAP", c.pap);
        m.SetDword("CHAP", c.chap);
        m.SetDword("MSCHAP", c.msChap);
        m.SetDword("MSCHAPV2", c.msChapV2);
        m.SetDword("CACHE-SECURID", c.cacheSecurId);
        ASSERT_TRUE(Provision(m)) << c.what;
        EXPECT_EQ(m.Entry()->dwfOptions, c.options) << c.what;
    }
}

TEST(PhonebookEntry, TheDeviceIsChosenByNameForTheProtocol) {
    DialerMachine m;
    m.host.phonebook().devices = {{"L2TP", "Some Tunnel Adapter"}, {"vpn", "WAN Miniport (PPTP)"},
                                  {"vpn", "WAN Miniport (L2TP)"}};
    ASSERT_TRUE(Provision(m));
    EXPECT_EQ(m.Entry()->szDeviceName, "WAN Miniport (L2TP)");

    DialerMachine pptp;
    pptp.SetDword("L2TP", 0);
    pptp.SetDword("PPTP", 1);
    ASSERT_TRUE(Provision(pptp));
    EXPECT_EQ(pptp.Entry()->szDeviceName, "WAN Miniport (PPTP)");
    EXPECT_EQ(pptp.Entry()->dwVpnStrategy, 1u);

    DialerMachine neither;
    neither.SetDword("L2TP", 0);
    EXPECT_FALSE(Provision(neither));
    EXPECT_NE(neither.LogText().find("Could not find a VPN device.\r\n"), std::string::npos);
    EXPECT_EQ(neither.Entry(), nullptr);

    const auto& trace = m.host.machine().debugOutput;
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[0].text, "RasEnumDevices succeeded, numdevs=3\n");
    EXPECT_EQ(trace[1].text, "0: L2TP :  Some Tunnel Adapter\n");
}

TEST(PhonebookEntry, Windows2000FallsBackToItsOwnRecordAfter632) {
    DialerMachine m(5, 0);
    ASSERT_TRUE(Provision(m, [](DialerSettings& s) { s.rasEntrySize = RasEntryForm::WindowsXp; }));
    EXPECT_EQ(m.Entry()->dwSize, RasEntryForm::Windows2000);
    EXPECT_NE(m.LogText().find("Overwriting original ras entries, size=2884, 2088, 2884\r\n"), std::string::npos);

    DialerMachine broken;
    broken.host.faults().Inject("RasGetEntryProperties", ras_error::kInvalidSize);
    EXPECT_FALSE(Provision(broken));
    EXPECT_NE(broken.LogText().find("Unable to detect windows version for RasGetEntryProperties\r\n"),
              std::string::npos);
}

TEST(PhonebookEntry, FailuresAreLoggedAndNothingIsWritten) {
    DialerMachine m;
    m.host.phonebook().devices.assign(2049, RasDevice{"vpn", "WAN Miniport (L2TP)"});
    EXPECT_FALSE(Provision(m));
    EXPECT_NE(m.LogText().find("Too many RAS devices present = 2049.\r\n"), std::string::npos);
    EXPECT_EQ(m.host.machine().debugOutput.back().text, "RasEnumDevices returned 603\n");

    DialerMachine refused;
    refused.host.faults().Inject("RasSetEntryProperties", err::kAccessDenied);
    EXPECT_FALSE(Provision(refused));
    EXPECT_NE(refused.LogText().find("RasSetEntryProperties returned error 5\r\n"), std::string::npos);

    DialerMachine deep;
    deep.SetString("ZeltaVPNPath", "C:\\" + std::string(300, 'd') + "\\dial.exe");
    EXPECT_FALSE(Provision(deep));
    EXPECT_EQ(deep.Entry(), nullptr);
}

}  // namespace
}  // namespace zelta
