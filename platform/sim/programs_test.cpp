// The simulated machine's programs: the route program edits the forwarding table, the IPsec tools
// the policy store, and a program that is not there cannot start.
#include <gtest/gtest.h>

#include "platform/sim/programs.h"
#include "platform/sim/sim_host.h"

namespace zelta::sim {
namespace {

class ProgramsTest : public ::testing::Test {
protected:
    ProgramsTest() {
        AdapterInfo wlan;
        wlan.AdapterName = "{WLAN}";
        wlan.Index = 3;
        wlan.IpAddressList = {{"10.1.2.34", "255.255.0.0"}};
        host.AddAdapter(wlan);
    }
    std::uint32_t Run(const std::string& commandLine) {
        std::uint32_t exitCode = 99;
        last = process.platform().processes.RunAndWait({}, commandLine, exitCode);
        return exitCode;
    }
    SimHost host;
    SimProcess& process = host.NewProcess("dial.exe", "SYSTEM", "Default");
    Win32Error last = 0;
};

TEST_F(ProgramsTest, CommandLinesSplitLikeTheCRuntimeDoes) {
    EXPECT_EQ(SplitCommandLine("\"C:\\Dialer\\ipseccmd\" -a PRESHARE:\"a b\"  -x"),
              (std::vector<std::string>{"C:\\Dialer\\ipseccmd", "-a", "PRESHARE:a b", "-x"}));
}

TEST_F(ProgramsTest, RouteAddAndDeleteEditTheForwardingTable) {
    const std::size_t before = host.routes().size();
    EXPECT_EQ(Run("route add 10.1.0.0 MASK 255.255.0.0 10.1.2.34 metric 20"), 0u);
    ASSERT_EQ(host.routes().size(), before + 1);
    EXPECT_EQ(host.routes().back().ifIndex, 3u);
    EXPECT_EQ(host.routes().back().metric, 20u);
    EXPECT_EQ(Run("route add 10.1.0.0 MASK 255.255.0.0 10.1.2.34 metric 20"), 1u);  // already there
    EXPECT_EQ(Run("route add 0.0.0.0 MASK 0.0.0.0 172.16.0.1"), 1u);               // no interface reaches it
    EXPECT_EQ(Run("route delete 10.1.0.0 MASK 255.255.0.0 10.1.2.34"), 0u);
    EXPECT_EQ(host.routes().size(), before - 1);  // the on-link route went too: same destination and gateway
    EXPECT_EQ(Run("route delete 10.1.0.0 MASK 255.255.0.0 10.1.2.34"), 1u);
    EXPECT_EQ(Run("route frobnicate"), 1u);
    EXPECT_EQ(host.commands().back().commandLine, "route frobnicate");
}

TEST_F(ProgramsTest, IpsecToolsEditThePolicyStore) {
    host.files().WriteText("C:\\Dialer\\ipsecpol.exe", "");
    EXPECT_EQ(Run("\"C:\\Dialer\\ipsecpol\" -w REG -f *:1701+10.1.0.1/255.255.255.255:1701:UDP -n ESP[3DES,SHA]3600S "
                  "INPASS -1k 28800S -1s 3DES-SHA-2 -p P -r R -x -a PRESHARE:\"k\""),
              0u);
    ASSERT_TRUE(host.machine().ipsecPolicies.contains("P"));
    EXPECT_EQ(host.machine().ipsecPolicies["P"].filter, "*:1701+10.1.0.1/255.255.255.255:1701:UDP");
    EXPECT_EQ(Run("\"C:\\Dialer\\ipsecpol\" -w REG -p P -o"), 0u);
    EXPECT_TRUE(host.machine().ipsecPolicies.empty());
    EXPECT_EQ(Run("\"C:\\Dialer\\ipsecpol\" stray"), 1u);
}

TEST_F(ProgramsTest, AProgramThatIsNotThereCannotStart) {
    Run("\"C:\\Dialer\\ipseccmd\" -w REG -p P -o");
    EXPECT_EQ(last, err::kFileNotFound);
    EXPECT_EQ(host.commands().back().result, err::kFileNotFound);
    host.faults().Inject("CreateProcess", err::kAccessDenied, "route");
    Run("route print");
    EXPECT_EQ(last, err::kAccessDenied);
}

}  // namespace
}  // namespace zelta::sim
