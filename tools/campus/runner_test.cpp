// Running scenarios: what a scenario author sees when an expectation fails, a line is wrong, or a word
// is not built yet.
#include "tools/campus/runner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zelta::campus {
namespace {

class RunnerTest : public ::testing::Test {
protected:
    int Run(const std::string& text, bool quiet = true) {
        std::ofstream(path) << text;
        Runner runner(out, quiet);
        return runner.RunFile(path);
    }
    std::string Error(const std::string& text) {
        try {
            Run(text);
        } catch (const ScenarioError& e) {
            return e.what();
        }
        return "no error";
    }
    std::ostringstream out;
    // One file per test: CTest runs the tests of this program side by side.
    std::string path = ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".scn";
};

constexpr const char* kCampus = R"SCN(os 5.1
clock 2026-12-07 01:20:00
desktop Default
setting ZeltaVPNPath string C:\Dialer\dial.exe
setting SETUPIP string 10.1.0.1
ras-device vpn "WAN Miniport (L2TP)"
helper-service
)SCN";

TEST_F(RunnerTest, AUserContextStartRunsTheRealDialer) {
    const int failures = Run(std::string(kCampus) + R"SCN(
start dial.exe as Alice
expect process dial.exe ended exit 0
expect entry "Zelta VPN" dwfOptions 0x21001530
expect pipe-request 01 00
expect pipe-requests 1
expect mutex MYAPPNAME-DE18B5E2-5E6D-493a-BCFE-C77FAB9004DA free
)SCN");
    EXPECT_EQ(failures, 0) << out.str();
}

TEST_F(RunnerTest, AFailedExpectationNamesItsLineAndWhatWasSeenAndTheRunGoesOn) {
    const int failures = Run(std::string(kCampus) + R"SCN(start dial.exe as Alice
expect entry "Zelta VPN" dwfOptions 0x21001130
expect pipe-requests 2
expect entry "Zelta VPN" dwVpnStrategy 3
)SCN");
    EXPECT_EQ(failures, 2);
    EXPECT_NE(out.str().find(path + ":9: expected entry \"Zelta VPN\" dwfOptions 0x21001130, saw 0x21001530"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find(path + ":10: expected 2 pipe requests, saw"), std::string::npos) << out.str();
}

TEST_F(RunnerTest, AControlIdTheWindowLacksIsAnErrorWithItsLine) {
    EXPECT_EQ(Error(std::string(kCampus) + "start dial.exe as SYSTEM\nclick 4242\n"),
              path + ":9: the window \"VPN Dialer\" has no control 4242");
}

TEST_F(RunnerTest, ShowPrintsTheStateNowIntoTheTranscript) {
    ASSERT_EQ(Run(std::string(kCampus) + "start dial.exe as SYSTEM\ninvoke ProvisionPhonebookEntry\nshow status\nshow entry\nshow routes\nshow log\n", false), 0);
    const std::string transcript = out.str();
    EXPECT_NE(transcript.find("show status  Not Connected."), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("show entry  dwVpnStrategy 3"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("show log  "), std::string::npos) << transcript;
    EXPECT_EQ(Error("show everything\n"), path + ":1: expected log, status, routes or entry, found 'everything'");
}

TEST_F(RunnerTest, EveryMistakeOfAFileIsReportedAtOnceWithItsLine) {
    EXPECT_EQ(Error("os 5.1\nfrobnicate now\nsetting L2TP dword one\nexpect tray sideways\n"),
              path + ":2: unknown statement 'frobnicate'\n" + path + ":3: expected a number, found 'one'\n" + path +
                  ":4: expected idle, connecting, connected, error, absent, tip, balloon or balloons\n3 errors in " + path +
                  "; nothing was run");
}

TEST_F(RunnerTest, AMalformedLineStopsTheRunBeforeAnythingHappens) {
    EXPECT_EQ(Error("os 5.1\nsetting L2TP dword one\n"), path + ":2: expected a number, found 'one'");
    EXPECT_EQ(Error("os 5.1\n\n# fine\nfrobnicate now\n"), path + ":4: unknown statement 'frobnicate'");
    EXPECT_EQ(Error("expect log sometimes \"x\"\n"), path + ":1: expected 'lacks', found 'sometimes'");
    EXPECT_EQ(Error("at 5s expect time 5s\n"),
              path + ":1: 'at' and 'after' take a machine change or a user action, not an expectation");
}

TEST_F(RunnerTest, TheNetworkAndSecurIdWordsRejectWhatTheyCannotMean) {
    EXPECT_EQ(Error("cable 2 wiggled\n"), path + ":1: expected 'unplugged', found 'wiggled'");
    EXPECT_EQ(Error("interface 2 colour blue\n"), path + ":1: unknown interface field 'colour'");
    EXPECT_EQ(Error("interface 2 status sideways\n"), path + ":1: expected 'down', found 'sideways'");
    EXPECT_EQ(Error("securid prompt \"" + std::string(256, 'x') + "\"\n"),
              path + ":1: a message holds at most 255 bytes of text (use 'securid raw' for others)");
    EXPECT_EQ(Error("securid raw\n"), path + ":1: expected the bytes to send");
    EXPECT_EQ(Error("securid verdict maybe\n"), path + ":1: expected 'prompt', found 'maybe'");
    EXPECT_EQ(Error("expect securid received\n"), path + ":1: expected the bytes, or 'nothing'");
}

TEST_F(RunnerTest, WindowsOwnUsesOfTheEntryNeedAnEntryWithACustomDialer) {
    EXPECT_EQ(Error("os 5.1\nrasdial-dialog sideways\n"), path + ":2: unexpected 'sideways'");
    EXPECT_EQ(Error("os 5.1\nclock 2026-12-07 01:20:00\ndesktop Default\nentry-properties\n"),
              path + ":4: the \"Zelta VPN\" entry names no custom dialer");
}

TEST_F(RunnerTest, AMachineThatWasNotSetUpIsReportedInTheScenariosWords) {
    const std::string error = Error("desktop Default\nsetting DEBUG dword 1\nsetting ZeltaVPNPath string C:\\d.exe\n"
                                    "os 5.1\nstart dial.exe as Alice\n");
    EXPECT_NE(error.find(":5: the simulated machine was not set up for this:"), std::string::npos) << error;
    EXPECT_NE(error.find("'clock'"), std::string::npos) << error;
}

TEST_F(RunnerTest, ScheduledChangesHappenWhileTimePasses) {
    const int failures = Run(R"SCN(os 5.1
clock 2026-12-07 01:20:00
desktop Default
settings-key
service cvpnd running
after 2s service cvpnd stopped
at 1s fail RegOpenKeyEx with 5 matching zeltadialer times 1
wait 1500ms
expect service cvpnd running
invoke ApplyIpsecPolicy
wait until 3s
expect service cvpnd stopped
expect time 3s
)SCN",
                             false);
    EXPECT_EQ(failures, 0) << out.str();
    EXPECT_NE(out.str().find("     1.500  fault     RegOpenKeyEx(SOFTWARE\\Zelta\\zeltadialer) = 5"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("     2.000  service   cvpnd stopped"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace zelta::campus
