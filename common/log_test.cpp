// The log file: mask, counter, rotation, the cut, the stamp, and where records go when things fail.
#include "common/log.h"

#include <gtest/gtest.h>

#include "tests/support/settings_machine.h"
#include "platform/sim/code_page.h"

namespace zelta {
namespace {

using testing::SettingsMachine;

constexpr const char* kLogPath = "C:\\Dialer\\vpn.log";
constexpr const char* kRotatedPath = "C:\\Dialer\\vpn.log.1";

class LogTest : public ::testing::Test {
protected:
    LogTest() { m.log.Enable("C:\\Dialer"); }
    void FillLog(std::size_t bytes, const char* path = kLogPath) { m.host.files().WriteText(path, std::string(bytes, 'x')); }
    SettingsMachine m;
};

TEST_F(LogTest, RecordsCarryTheStampInTheCLocaleAndTheCallersLineEnd) {
    m.log.LogMessage(1, "***** Program Started *****\n");
    m.host.RunFor(61'000);
    m.log.LogMessage(1, "RasGetConnectStatus = %d, %s\n", 6, "error");
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: ***** Program Started *****\r\n"
                           "Dec 07 01:21:07: RasGetConnectStatus = 6, error\r\n");
}

TEST_F(LogTest, AStampThatCannotBeMadeLeavesTheRecordStartingWithTheSeparator) {
    m.host.faults().Inject("GetLocalTime", 1, "", 1);
    m.log.LogMessage(1, "User hit CONNECT\n");
    EXPECT_EQ(m.LogText(), ": User hit CONNECT\r\n");
}

TEST_F(LogTest, TheMaskFiltersAndFilteredRecordsDoNotCount) {
    m.log.LogMessage(log_level::kVerbose, "Hiding window\n");
    m.log.LogMessage(log_level::kDevices, "Found interface wlan=%d, waitwlan=%d\n", 1, 1);
    EXPECT_EQ(m.log.counter(), 0u);
    EXPECT_EQ(m.LogText(), "<no file>");
    m.log.LogMessage(log_level::kMain | log_level::kVerbose, "both\n");
    EXPECT_EQ(m.log.counter(), 1u);

    m.log.SetMaskFromDebugSetting(0);  // "DEBUG" 0 keeps the mask
    EXPECT_EQ(m.log.mask(), 1u);
    m.log.SetMaskFromDebugSetting(4);  // "DEBUG" 4 writes level 4 only, not even the main events
    m.log.LogMessage(log_level::kMain, "error: lost\n");
    m.log.LogMessage(log_level::kRoutes, "%d: Done deleting routes\n", 3);
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: both\r\nDec 07 01:20:06: 3: Done deleting routes\r\n");
}

TEST_F(LogTest, TheFirstRecordChecksTheSizeAndOnlyAFileOver40960BytesRotates) {
    FillLog(40960);
    m.log.LogMessage(1, "a\n");
    EXPECT_FALSE(m.host.files().Exists(kRotatedPath));

    SettingsMachine other;
    other.log.Enable("C:\\Dialer");
    other.host.files().WriteText(kLogPath, std::string(40961, 'x'));
    other.host.files().WriteText(kRotatedPath, "old rotated file");
    other.log.LogMessage(1, "a\n");
    EXPECT_EQ(other.host.files().Text(kRotatedPath), std::string(40961, 'x'));
    EXPECT_EQ(other.LogText(), "Dec 07 01:20:06: a\r\n");
}

TEST_F(LogTest, RotationIsCheckedOnEveryTenthRecord) {
    m.log.LogMessage(1, "first\n");
    FillLog(50000);
    for (int i = 2; i <= 10; ++i) m.log.LogMessage(1, "record %d\n", i);
    EXPECT_FALSE(m.host.files().Exists(kRotatedPath)) << "rotated before the 11th record";
    m.log.LogMessage(1, "eleventh\n");
    ASSERT_TRUE(m.host.files().Exists(kRotatedPath));
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: eleventh\r\n");
}

TEST_F(LogTest, AFailedRotationStillWritesTheRecordAndRetriesWithTheNext) {
    FillLog(41000);
    m.host.faults().Inject("MoveFile", err::kAccessDenied, "vpn.log", 1);
    m.log.LogMessage(1, "kept\n");
    EXPECT_EQ(m.LogText().substr(41000), "Dec 07 01:20:06: kept\r\n");
    EXPECT_EQ(m.log.counter(), 1u);
    m.log.LogMessage(1, "next\n");  // counter 1 is not a multiple of 10: checked because the last failed
    EXPECT_TRUE(m.host.files().Exists(kRotatedPath));
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: next\r\n");
}

TEST_F(LogTest, LongMessagesAreCutTo1023Characters) {
    const std::string longText(2000, 'm');
    m.log.LogMessage(1, "%s", longText.c_str());
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: " + std::string(1023, 'm'));

    // Characters, not bytes, and never half a character: on a Japanese Windows each of these is two
    // bytes in the file.
    std::string wide;
    for (int i = 0; i < 1100; ++i) wide += "\xE6\x97\xA5";
    EXPECT_EQ(CharacterCount(wide), 1100u);
    SettingsMachine other;
    other.host.machine().ansiCodePage = sim::kJapaneseCodePage;
    other.log.Enable("C:\\Dialer");
    other.log.LogMessage(1, "a%s", wide.c_str());
    const std::string written = other.LogText().substr(std::string("Dec 07 01:20:06: ").size());
    EXPECT_EQ(written.size(), 1u + 1022u * 2u);
    EXPECT_EQ(written.substr(0, 3), "a\x93\xFA");
    EXPECT_EQ(CharacterCount(sim::AnsiToUtf8(sim::kJapaneseCodePage, written)), 1023u);
}

TEST_F(LogTest, RecordsThatCannotBeWrittenAreLostButCounted) {
    m.log.Enable("C:\\Missing");
    m.log.LogMessage(1, "lost\n");
    EXPECT_EQ(m.log.counter(), 1u);
    EXPECT_FALSE(m.host.files().Exists("C:\\Missing\\vpn.log"));
}

TEST_F(LogTest, AnInstallationDirectoryTooLongForTheLogPathSwitchesLoggingOff) {
    const std::string fits(1023 - 10, 'd');  // "\vpn.log.1" is 10 characters
    EXPECT_TRUE(m.log.Enable(fits));
    EXPECT_EQ(m.log.rotatedPath().size(), 1023u);
    EXPECT_FALSE(m.log.Enable(fits + "d"));
    EXPECT_FALSE(m.log.enabled());
    m.log.LogMessage(1, "nowhere\n");
    EXPECT_EQ(m.log.counter(), 0u);
    ASSERT_FALSE(m.host.machine().debugOutput.empty());
}

TEST_F(LogTest, SystemErrorsCarryTheSystemsTextOrTheNumber) {
    m.log.LogSystemError(err::kAccessDenied);
    m.log.LogSystemError(0x2000'0001);
    // The system's text ends with its own CR LF, and the format adds a line end: kept as written.
    EXPECT_EQ(m.LogText(), "Dec 07 01:20:06: error: Access is denied.\r\r\n\r\n"
                           "Dec 07 01:20:06: error: 536870913\r\n");
}

TEST_F(LogTest, DebugTraceGoesToTheDebuggerOnlyWhateverTheMask) {
    m.log.DebugTrace("RasSetEntryProperties failed: %d\n", 632);
    m.log.DebugTrace("%s", std::string(3000, 't').c_str());
    ASSERT_EQ(m.host.machine().debugOutput.size(), 2u);
    EXPECT_EQ(m.host.machine().debugOutput[0].text, "RasSetEntryProperties failed: 632\n");
    EXPECT_EQ(m.host.machine().debugOutput[1].text.size(), 2047u);
    EXPECT_EQ(m.LogText(), "<no file>");
}

}  // namespace
}  // namespace zelta

namespace zelta {
namespace {

std::string Format(std::size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatBounded(capacity, format, args);
    va_end(args);
    return text;
}

TEST(FormatBounded, CutsByCharactersAndNeverSplitsOne) {
    EXPECT_EQ(Format(4, "%s", "abcdef"), "abc");
    EXPECT_EQ(Format(1, "%s", "abc"), "");
    // A character outside the basic plane counts twice, as Windows counts it, and is not halved.
    EXPECT_EQ(Format(4, "a%s", "\xF0\x9F\x94\x92"), "a\xF0\x9F\x94\x92");
    EXPECT_EQ(Format(3, "a%s", "\xF0\x9F\x94\x92"), "a");
    EXPECT_EQ(Format(3, "ab%s", "\xF0\x9F\x94\x92"), "ab");
    EXPECT_EQ(CharacterCount("\xF0\x9F\x94\x92z"), 3u);
    EXPECT_EQ(Format(64, "%d-%s-%u", -5, "x", 7u), "-5-x-7");
}

TEST(LogSafe, EveryControlCharacterGoesAndEverythingElseStays) {
    EXPECT_EQ(LogSafe("Intel\r\nDec 08 10:00:00: forged"), "Intel??Dec 08 10:00:00: forged");
    EXPECT_EQ(LogSafe(std::string("a\0b\tc\x7F", 6)), "a?b?c?");
    EXPECT_EQ(LogSafe("caf\xC3\xA9 \xC2\x85next"), "caf\xC3\xA9 ?next");  // é stays; NEL (U+0085) goes
    EXPECT_EQ(LogSafe("\xC2"), "\xC2");  // a cut sequence is not a control character
    EXPECT_EQ(LogSafe(""), "");
}

}  // namespace
}  // namespace zelta
