// SecretBuffer keeps a password bounded and hands it over without copies.
#include "platform/secret.h"

#include <gtest/gtest.h>

namespace zelta {
namespace {

TEST(SecretBuffer, RefusesWhatDoesNotFitRatherThanCuttingIt) {
    SecretBuffer secret(4);
    EXPECT_TRUE(secret.Assign("abcd"));
    EXPECT_EQ(secret.View(), "abcd");
    EXPECT_FALSE(secret.Assign("abcde"));
    EXPECT_TRUE(secret.Empty());
}

TEST(SecretBuffer, MovesHandOverAndClonesAreExplicit) {
    SecretBuffer a(16);
    a.Assign("s3cret");
    SecretBuffer copy = a.Clone();
    SecretBuffer b = std::move(a);
    EXPECT_EQ(b.View(), "s3cret");
    EXPECT_TRUE(a.Empty());  // NOLINT(bugprone-use-after-move): the moved-from state is part of the contract
    EXPECT_EQ(copy, b);
    b.Clear();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(copy.View(), "s3cret");
}

TEST(SecretBuffer, SecureZeroWipesEveryByte) {
    char bytes[8] = {'p', 'a', 's', 's', 'w', 'o', 'r', 'd'};
    SecureZero(bytes, sizeof bytes);
    for (char c : bytes) EXPECT_EQ(c, 0);
}

TEST(SecretBuffer, ConversionsCutAtWholeCharactersAndRoundTrip) {
    // "pä🔑": one, two and four bytes of UTF-8; one, one and two units of UTF-16.
    const std::string utf8 = "p\xC3\xA4\xF0\x9F\x94\x91";
    SecretBuffer secret(16);
    ASSERT_TRUE(secret.Assign(utf8));
    const SecretUtf16 wide(secret);
    EXPECT_EQ(wide.View(), std::u16string_view(u"p\u00E4\U0001F511"));
    EXPECT_EQ(wide.Terminated()[wide.View().size()], u'\0');

    SecretBuffer back(16);
    AssignUtf16(back, wide.View());
    EXPECT_EQ(back.View(), utf8);
    SecretBuffer narrow(6);  // room for "pä" and half the key: the key goes whole
    AssignUtf16(narrow, wide.View());
    EXPECT_EQ(narrow.View(), "p\xC3\xA4");
    SecretBuffer two(2);  // not even "ä" fits after "p"
    AssignWhole(two, utf8);
    EXPECT_EQ(two.View(), "p");

    // A lone surrogate is no character: it becomes U+FFFD rather than disappearing.
    SecretBuffer lone(8);
    AssignUtf16(lone, std::u16string(1, char16_t{0xD800}));
    EXPECT_EQ(lone.View(), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zelta
