// The simulated ANSI code pages against what Windows' conversions give.
#include "platform/sim/code_page.h"

#include <gtest/gtest.h>

namespace zelta::sim {
namespace {

TEST(CodePage, Windows1252HasItsOwnHighHalfAndAQuestionMarkForTheRest) {
    EXPECT_EQ(Utf8ToAnsi(kWesternCodePage, "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x94"), "caf\xE9 \x80 \x97");  // é € —
    EXPECT_EQ(Utf8ToAnsi(kWesternCodePage, "\xE4\xB8\xAD \xC4\x80"), "? ?");  // 中 Ā: not in 1252
    EXPECT_EQ(AnsiToUtf8(kWesternCodePage, "\x80\x9F\xFF"), "\xE2\x82\xAC\xC5\xB8\xC3\xBF");
    // The five bytes 1252 leaves undefined come back as the C1 code points.
    EXPECT_EQ(AnsiToUtf8(kWesternCodePage, "\x81"), "\xC2\x81");
    EXPECT_EQ(ThroughAnsi(kWesternCodePage, "\xC2\x81"), "\xC2\x81");
}

TEST(CodePage, Windows932TakesPairsAndLosesOnlyWhatItLacks) {
    EXPECT_EQ(Utf8ToAnsi(kJapaneseCodePage, "\xE6\x97\xA5\xE6\x9C\xAC a"), "\x93\xFA\x96\x7B a");  // 日本
    EXPECT_EQ(AnsiToUtf8(kJapaneseCodePage, "\x93\xFA\x96\x7B\xB1"), "\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBD\xB1");  // half-width ｱ
    EXPECT_EQ(Utf8ToAnsi(kJapaneseCodePage, "\xC3\xA9"), "?");                       // é
    EXPECT_EQ(AnsiToUtf8(kJapaneseCodePage, "\x93"), "\xE3\x83\xBB");                 // a lead byte alone
    EXPECT_EQ(Utf8ToAnsi(kJapaneseCodePage, "\xF0\x9F\x98\x80"), "?");                // beyond the BMP
}

}  // namespace
}  // namespace zelta::sim
