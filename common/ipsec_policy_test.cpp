// The IPsec tool command lines, and what the tool leaves in the policy store.
#include "common/ipsec_policy.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

class IpsecPolicyTest : public ::testing::Test {
protected:
    explicit IpsecPolicyTest(std::uint32_t minor = 1) : m(5, minor) {
        m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        m.SetString("SETUPIP", "10.1.0.1");
        m.SetString("IKEPASSWD", "campus secret");
        m.host.files().WriteText("C:\\Dialer\\ipseccmd.exe", "");
        m.host.files().WriteText("C:\\Dialer\\ipsecpol.exe", "");
    }
    DialerSettings Loaded() {
        DialerSettings s(m.platform, m.log);
        s.Load();
        return s;
    }
    std::vector<std::string> CommandLines() {
        std::vector<std::string> lines;
        for (const auto& run : m.host.commands()) lines.push_back(run.commandLine);
        return lines;
    }
    SettingsMachine m;
};

TEST_F(IpsecPolicyTest, ApplyRunsTheThreeCommandsAndLeavesTheAssignedPolicy) {
    DialerSettings s = Loaded();
    ApplyIpsecPolicy(s);
    EXPECT_EQ(CommandLines(),
              (std::vector<std::string>{
                  "\"C:\\Dialer\\ipseccmd\" -w REG -p ZELTAWLANIPSEC -y -o",
                  "\"C:\\Dialer\\ipseccmd\" -w REG -p ZELTAWLANIPSEC -o",
                  "\"C:\\Dialer\\ipseccmd\" -w REG -f *:1701+10.1.0.1/255.255.255.255:1701:UDP -n ESP[3DES,SHA]3600S "
                  "INPASS -1k 28800S -1s 3DES-SHA-2 -p ZELTAWLANIPSEC -r ZELTAWLANRULE -x -a PRESHARE:\"campus secret\""}));
    const auto& policies = m.host.machine().ipsecPolicies;
    ASSERT_TRUE(policies.contains("ZELTAWLANIPSEC"));
    const auto& policy = policies.at("ZELTAWLANIPSEC");
    EXPECT_TRUE(policy.assigned);
    EXPECT_EQ(policy.rule, "ZELTAWLANRULE");
    EXPECT_EQ(policy.authentication, "PRESHARE:campus secret");
    EXPECT_EQ(policy.negotiation, "ESP[3DES,SHA]3600S INPASS");

    RemoveIpsecPolicy(s);
    EXPECT_EQ(CommandLines().back(), "\"C:\\Dialer\\ipseccmd\" -w REG -p ZELTAWLANIPSEC -y -o");
    EXPECT_FALSE(m.host.machine().ipsecPolicies.contains("ZELTAWLANIPSEC"));
}

TEST_F(IpsecPolicyTest, CertificatesGroupsAndAnEmptyServerShapeTheThirdCommand) {
    m.SetString("IKEAUTH", "RSA-SIG");
    m.SetString("IKECA", "Zelta Campus CA");
    m.SetString("IKEGROUP", "ONE");
    m.SetString("IPSECENC", "ESP-DES");
    m.SetString("IPSECAUTH", "ESP-MD5-HMAC");
    DialerSettings s = Loaded();
    s.setupIp.clear();
    ApplyIpsecPolicy(s);
    const std::string create = CommandLines().back();
    EXPECT_NE(create.find("-f *:1701+/255.255.255.255:1701:UDP -n ESP[DES,MD5]3600S"), std::string::npos) << create;
    EXPECT_NE(create.find("-1s 3DES-SHA-1 "), std::string::npos) << create;
    EXPECT_NE(create.find("-a CERT:\"Zelta Campus CA\""), std::string::npos) << create;
    EXPECT_EQ(create.find("campus secret"), std::string::npos) << create;
}

TEST_F(IpsecPolicyTest, TheToolFollowsTheWindowsVersion) {
    struct Case {
        std::uint32_t major, minor;
        const char* tool;
    };
    for (const Case c : {Case{5, 0, "ipsecpol"}, Case{5, 1, "ipseccmd"}, Case{5, 2, "ipseccmd"}, Case{4, 1, "ipsecpol"}}) {
        DialerSettings s = Loaded();
        s.osVersion.major = c.major;
        s.osVersion.minor = c.minor;
        EXPECT_EQ(IpsecToolPath(s), "\"C:\\Dialer\\" + std::string(c.tool) + "\"") << c.major << "." << c.minor;
    }
}

TEST_F(IpsecPolicyTest, FromWindows6OnNoToolIsLookedForOrRun) {
    for (const std::uint32_t major : {6u, 10u}) {
        DialerSettings s = Loaded();
        s.osVersion.major = major;
        s.osVersion.minor = major == 6 ? 1 : 0;  // 6.1 once read as XP's 5.1, 10.0 as Windows 2000's 5.0
        ApplyIpsecPolicy(s);
        RemoveIpsecPolicy(s);
    }
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_EQ(m.LogText().find("IPsec tool"), std::string::npos);
}

TEST_F(IpsecPolicyTest, NothingRunsWithoutL2tpAndOverlongTextsSkipTheirCommand) {
    m.SetDword("L2TP", 0);
    DialerSettings pptp = Loaded();
    ApplyIpsecPolicy(pptp);
    RemoveIpsecPolicy(pptp);
    EXPECT_TRUE(m.host.commands().empty());

    m.SetDword("L2TP", 1);
    m.SetString("IKEPASSWD", std::string(1000, 'k'));
    DialerSettings longKey = Loaded();
    ApplyIpsecPolicy(longKey);
    EXPECT_EQ(m.host.commands().size(), 2u);  // the two deletions still run
    EXPECT_NE(m.LogText().find("IPsec policy arguments too long, command skipped\r\n"), std::string::npos);

    DialerSettings deep = Loaded();
    deep.installDir = "C:\\" + std::string(260, 'd');
    ApplyIpsecPolicy(deep);
    EXPECT_EQ(m.host.commands().size(), 2u);
}

TEST_F(IpsecPolicyTest, AMissingToolIsNotAnErrorAndIsSaidSo) {
    m.host.files().Files().clear();
    m.host.files().AddDirectory("C:\\Dialer");
    DialerSettings s = Loaded();
    ApplyIpsecPolicy(s);
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_TRUE(m.host.machine().ipsecPolicies.empty());
    EXPECT_NE(m.LogText().find("The IPsec tool C:\\Dialer\\ipseccmd.exe is not run: C:\\Dialer\\ipseccmd.exe cannot be "
                               "held open, error 2\r\n"),
              std::string::npos);
}

TEST_F(IpsecPolicyTest, AToolAUserCouldReplaceIsNeverRun) {
    const ObjectOwner alice{std::nullopt, "S-1-5-21-1-2-3-1013"};
    const ObjectOwner users{Principal::Users, "S-1-5-32-545"};
    auto& guards = m.host.files().Guards();
    guards["C:\\Dialer"] = FileGuard{{Principal::Administrators, "S-1-5-32-544"}, {users}};  // the folder
    DialerSettings s = Loaded();
    ApplyIpsecPolicy(s);
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_NE(m.LogText().find("is not run: C:\\Dialer can be changed by Users (S-1-5-32-545)\r\n"), std::string::npos);

    guards.clear();
    guards["C:\\Dialer\\ipseccmd.exe"] = FileGuard{alice, {}};  // the file, owned by a user
    ApplyIpsecPolicy(s);
    EXPECT_TRUE(m.host.commands().empty());
    EXPECT_NE(m.LogText().find("is not run: C:\\Dialer\\ipseccmd.exe is owned by S-1-5-21-1-2-3-1013\r\n"),
              std::string::npos);

    // The system account, which this dialer runs as, may own and write it.
    guards.clear();
    guards["C:\\Dialer\\ipseccmd.exe"] = FileGuard{{Principal::LocalSystem, "S-1-5-18"}, {{Principal::LocalSystem, "S-1-5-18"}}};
    ApplyIpsecPolicy(s);
    ASSERT_EQ(m.host.commands().size(), 3u);
    EXPECT_EQ(m.host.commands()[0].file, "C:\\Dialer\\ipseccmd.exe");  // the file checked is the file run
}

}  // namespace
}  // namespace zelta
