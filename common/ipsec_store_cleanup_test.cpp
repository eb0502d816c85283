// Clean-up of the local IPsec store on Windows 2000: what is referenced stays, the rest goes.
#include "common/ipsec_store_cleanup.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

constexpr auto kHklm = RegistryRoot::LocalMachine;

class IpsecStoreCleanupTest : public ::testing::Test {
protected:
    IpsecStoreCleanupTest() : m(5, 0) {}
    std::string Key(const std::string& name) { return std::string(kLocalIpsecStore) + "\\" + name; }
    void Object(const std::string& name) { m.host.registry().Create(kHklm, Key(name)); }
    bool Exists(const std::string& name) { return m.host.registry().Find(kHklm, Key(name)) != nullptr; }
    std::vector<std::string> Trace() {
        std::vector<std::string> lines;
        for (const auto& line : m.host.machine().debugOutput) lines.push_back(line.text);
        return lines;
    }
    void Clean() {
        DialerSettings settings(m.platform, m.log);
        CleanLocalIpsecPolicies(settings);
    }
    SettingsMachine m;
};

TEST_F(IpsecStoreCleanupTest, UnreferencedIsakmpAndNegotiationPoliciesGoEverythingElseStays) {
    Object("ipsecPolicy{A}");
    m.host.registry().SetString(kHklm, Key("ipsecPolicy{A}"), "ipsecISAKMPReference",
                                "SOFTWARE\\Policies\\Microsoft\\Windows\\IPSec\\Policy\\Local\\ipsecISAKMPPolicy{KEEP}");
    Object("ipsecISAKMPPolicy{KEEP}");
    Object("ipsecISAKMPPolicy{OLD}");
    Object("ipsecPolicy{B}");
    m.host.registry().SetString(kHklm, Key("ipsecPolicy{B}"), "ipsecISAKMPReference", "X\\ipsecisakmppolicy{other}");
    Object("ipsecISAKMPPolicy{OTHER}");  // named by B only in other letter case: not referenced
    Object("ipsecNFA{R}");
    Object("ipsecNegotiationPolicy{USED}");
    m.host.registry().SetMultiString(kHklm, Key("ipsecNegotiationPolicy{USED}"), "ipsecOwnersReference",
                                     {"X\\ipsecNFA{R}", "X\\ipsecNFA{GONE}"});
    Object("ipsecNegotiationPolicy{ORPHAN}");
    m.host.registry().SetMultiString(kHklm, Key("ipsecNegotiationPolicy{ORPHAN}"), "ipsecOwnersReference",
                                     {"X\\ipsecNFA{GONE}"});
    Object("ipsecNegotiationPolicy{BARE}");
    Object("IPSECFILTER{F}");
    Object("somethingElse");

    Clean();
    EXPECT_TRUE(Exists("ipsecISAKMPPolicy{KEEP}"));
    EXPECT_FALSE(Exists("ipsecISAKMPPolicy{OLD}"));
    EXPECT_FALSE(Exists("ipsecISAKMPPolicy{OTHER}"));
    EXPECT_TRUE(Exists("ipsecNegotiationPolicy{USED}"));
    EXPECT_FALSE(Exists("ipsecNegotiationPolicy{ORPHAN}"));
    EXPECT_FALSE(Exists("ipsecNegotiationPolicy{BARE}"));
    EXPECT_TRUE(Exists("ipsecNFA{R}"));
    EXPECT_TRUE(Exists("ipsecPolicy{A}"));
    EXPECT_TRUE(Exists("IPSECFILTER{F}"));
    EXPECT_TRUE(Exists("somethingElse"));
    const auto trace = Trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "fil 0: IPSECFILTER{F}\n"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "isakmp 0: ipsecISAKMPPolicy{KEEP}, valid=1\n"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "neg 2: ipsecNegotiationPolicy{USED}, valid=1\n"), trace.end());
    EXPECT_EQ(m.LogText(), "<no file>");  // the debugger only, never the log
}

TEST_F(IpsecStoreCleanupTest, APolicyWithoutItsReferenceSaysSoAndChangesNothing) {
    Object("ipsecPolicy{A}");
    Object("ipsecISAKMPPolicy{X}");
    Clean();
    const auto trace = Trace();
    EXPECT_EQ(trace.front(), "GETKEY error ipsecPolicy{A}\n");
    EXPECT_FALSE(Exists("ipsecISAKMPPolicy{X}"));  // nothing referenced it
}

TEST(IpsecStoreCleanup, OnlyWindows2000IsTouched) {
    for (const auto& [major, minor] : {std::pair{5u, 1u}, {5u, 2u}, {6u, 0u}}) {
        SettingsMachine m(major, minor);
        m.host.registry().Create(kHklm, std::string(kLocalIpsecStore) + "\\ipsecISAKMPPolicy{OLD}");
        m.host.faults().Inject("RegOpenKeyEx", 5);  // would fire if the store were opened
        DialerSettings settings(m.platform, m.log);
        CleanLocalIpsecPolicies(settings);
        EXPECT_TRUE(m.host.faults().Fired().empty()) << major << "." << minor;
    }
}

TEST(IpsecStoreCleanup, LastPathComponent) {
    EXPECT_EQ(LastPathComponent("A\\B\\c"), "c");
    EXPECT_EQ(LastPathComponent("plain"), "plain");
    EXPECT_EQ(LastPathComponent("A\\"), "");
    EXPECT_EQ(LastPathComponent(""), std::nullopt);
}

}  // namespace
}  // namespace zelta
