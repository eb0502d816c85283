// RunProcess: the exit code, or the creation error in its place.
#include "common/run_process.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

TEST(RunProcess, JoinsProgramAndArgumentsAndReturnsTheExitCodeOrTheCreationError) {
    SettingsMachine m;
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "\"C:\\Dialer\\ipseccmd\"", "-w REG -p X -o"), 2u);  // not there
    m.host.files().WriteText("C:\\Dialer\\ipseccmd.exe", "");
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "\"C:\\Dialer\\ipseccmd\"", "-w REG -p X -o"), 0u);
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "route", "delete 10.9.9.0 MASK 255.255.255.0"), 1u);  // the route program's own 1
    ASSERT_EQ(m.host.commands().size(), 3u);
    EXPECT_EQ(m.host.commands()[0].commandLine, "\"C:\\Dialer\\ipseccmd\" -w REG -p X -o");
    EXPECT_EQ(m.host.commands()[2].commandLine, "route delete 10.9.9.0 MASK 255.255.255.0");

    // A command line that would not fit the 4096-character buffer is not run cut short.
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "route", std::string(4100, 'x')), err::kInvalidParameter);
    EXPECT_EQ(m.host.commands().size(), 3u);
}

TEST(RunProcess, AProgramThatCannotBeStartedIsLoggedWithWhyAndTheCallerGoesOn) {
    SettingsMachine m;
    m.SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
    m.SetDword("DEBUG", 1);
    DialerSettings(m.platform, m.log).Load();  // the log on, beside the dialer
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "\"C:\\Dialer\\ipseccmd\"", "-w REG -p X -o"), 2u);
    m.host.faults().Inject("CreateProcess", 5, "route");
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "route", "print"), 5u);
    const std::string log = m.LogText();
    EXPECT_NE(log.find("\"C:\\Dialer\\ipseccmd\" could not be started, error 2: The system cannot find the file "
                       "specified.\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("C:\\WINDOWS\\system32\\route.exe could not be started, error 5: Access is denied.\r\n"),
              std::string::npos)
        << log;
}

TEST(RunProcess, ABareProgramNameRunsTheSystemsOwnNeverACopyPlantedBesideTheCaller) {
    SettingsMachine m;  // its process is C:\dial.exe
    m.host.files().WriteText("C:\\route.exe", "planted");
    RunProcess(m.platform.processes, m.platform.system, m.log, "route", "add 10.9.0.0 MASK 255.255.0.0 10.1.0.1");
    ASSERT_EQ(m.host.commands().size(), 1u);
    EXPECT_EQ(m.host.commands()[0].file, "C:\\WINDOWS\\system32\\route.exe");
    EXPECT_EQ(m.host.commands()[0].commandLine, "route add 10.9.0.0 MASK 255.255.0.0 10.1.0.1");  // as logged before

    // Windows 2000 keeps its programs elsewhere; quoted and full paths are left as they are.
    m.host.SetOsVersion(5, 0);
    RunProcess(m.platform.processes, m.platform.system, m.log, "route", "print");
    EXPECT_EQ(m.host.commands()[1].file, "C:\\WINNT\\system32\\route.exe");
    RunProcess(m.platform.processes, m.platform.system, m.log, "\"C:\\route\"", "print");
    EXPECT_EQ(m.host.commands()[2].file, "C:\\route.exe");

    m.host.faults().Inject("GetSystemDirectory", 5);
    EXPECT_EQ(RunProcess(m.platform.processes, m.platform.system, m.log, "route", "print"), 5u);  // nothing runs from anywhere else
    EXPECT_EQ(m.host.commands().size(), 3u);
}

}  // namespace
}  // namespace zelta
