// UTF-8/UTF-16 conversions and the registry string encodings.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace zelta {
namespace {

TEST(Text, RoundTripsEveryPlaneAndReplacesMalformedInput) {
    const std::string text = "Zelta \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\x92";  // BMP and a surrogate pair
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x94\x92").size(), 2u);
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");        // cut sequence
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");      // overlong
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

TEST(Text, RegistryStringsStopAtTheTerminatorOrTheEndOfTheData) {
    EXPECT_EQ(EncodeRegString("ab"), (std::vector<std::uint8_t>{'a', 0, 'b', 0, 0, 0}));
    const std::vector<std::uint8_t> unterminated{'C', 0, ':', 0, 'x'};
    EXPECT_EQ(DecodeRegString(unterminated), "C:");
    const std::vector<std::uint8_t> early{'a', 0, 0, 0, 'b', 0};
    EXPECT_EQ(DecodeRegString(early), "a");
    EXPECT_EQ(EncodeRegMultiString({"a", "b"}), (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
}

TEST(Text, NamesCompareWithoutRegardToAsciiCase) {
    EXPECT_TRUE(EqualsNoCase("SYSTEM", "system"));
    EXPECT_FALSE(EqualsNoCase("SYSTEM", "SYSTEMS"));
    EXPECT_TRUE(LessNoCase("abc", "ABD"));
    EXPECT_FALSE(LessNoCase("ABC", "abc"));
}

}  // namespace
}  // namespace zelta
