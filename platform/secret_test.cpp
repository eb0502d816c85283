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

}  // namespace
}  // namespace zelta
