// RunProcess: the exit code, or the creation error in its place.
#include "common/run_process.h"

#include <gtest/gtest.h>

#include "common/test_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

TEST(RunProcess, JoinsProgramAndArgumentsAndReturnsTheExitCodeOrTheCreationError) {
    SettingsMachine m;
    EXPECT_EQ(RunProcess(m.platform, "\"C:\\Dialer\\ipseccmd\"", "-w REG -p X -o"), 2u);  // not there
    m.host.files().WriteText("C:\\Dialer\\ipseccmd.exe", "");
    EXPECT_EQ(RunProcess(m.platform, "\"C:\\Dialer\\ipseccmd\"", "-w REG -p X -o"), 0u);
    EXPECT_EQ(RunProcess(m.platform, "route", "delete 10.9.9.0 MASK 255.255.255.0"), 1u);  // the route program's own 1
    ASSERT_EQ(m.host.commands().size(), 3u);
    EXPECT_EQ(m.host.commands()[0].commandLine, "\"C:\\Dialer\\ipseccmd\" -w REG -p X -o");
    EXPECT_EQ(m.host.commands()[2].commandLine, "route delete 10.9.9.0 MASK 255.255.255.0");

    // A command line that would not fit the 4096-character buffer is not run cut short.
    EXPECT_EQ(RunProcess(m.platform, "route", std::string(4100, 'x')), err::kInvalidParameter);
    EXPECT_EQ(m.host.commands().size(), 3u);
}

}  // namespace
}  // namespace zelta
