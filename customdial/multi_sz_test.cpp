// The "CustomDLL" list: finding, adding and removing a path, including lists that are not closed as
// they should be.
#include "customdial/multi_sz.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace zelta {
namespace {

std::vector<std::uint8_t> List(const std::vector<std::string>& strings) { return EncodeRegMultiString(strings); }

std::vector<std::uint8_t> Raw(std::u16string_view characters) {
    std::vector<std::uint8_t> out;
    for (char16_t c : characters) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

constexpr std::u16string_view kPath = u"C:\\Dialer\\zeltavpn.dll";

TEST(MultiSz, FindsAPathWhateverItsCaseAndReportsItsOffset) {
    const auto list = List({"C:\\Other\\other.dll", "c:\\DIALER\\ZeltaVPN.DLL"});
    const auto at = FindInMultiSz(kPath, list);
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, (std::string("C:\\Other\\other.dll").size() + 1) * 2);
    EXPECT_FALSE(FindInMultiSz(u"C:\\Dialer\\zelta.dll", list));
    EXPECT_FALSE(FindInMultiSz(kPath, {}));
}

TEST(MultiSz, AppendingCreatesOrExtendsAClosedList) {
    EXPECT_EQ(AppendToMultiSz({}, kPath).size(), kPath.size() * 2 + 4);
    EXPECT_EQ(AppendToMultiSz({}, kPath), List({"C:\\Dialer\\zeltavpn.dll"}));
    EXPECT_EQ(AppendToMultiSz(List({"C:\\Other\\other.dll"}), kPath),
              List({"C:\\Other\\other.dll", "C:\\Dialer\\zeltavpn.dll"}));
    // A list whose last string lacks the closing zero, or its terminator too, or has an odd byte:
    // the path goes after the data and the list is closed.
    const auto expected = List({"A", "C:\\Dialer\\zeltavpn.dll"});
    EXPECT_EQ(AppendToMultiSz(Raw(std::u16string(u"A\0", 2)), kPath), expected);
    EXPECT_EQ(AppendToMultiSz(Raw(u"A"), kPath), expected);
    auto odd = Raw(u"A");
    odd.push_back(0x41);
    EXPECT_EQ(AppendToMultiSz(odd, kPath), expected);
}

TEST(MultiSz, RemovingTheFirstMiddleLastOrOnlyPathKeepsTheOthersInOrder) {
    const auto three = List({"C:\\a.dll", "C:\\Dialer\\zeltavpn.dll", "C:\\b.dll"});
    EXPECT_EQ(RemoveFromMultiSz(three, *FindInMultiSz(kPath, three), kPath.size()), List({"C:\\a.dll", "C:\\b.dll"}));
    const auto first = List({"C:\\Dialer\\zeltavpn.dll", "C:\\b.dll"});
    EXPECT_EQ(RemoveFromMultiSz(first, 0, kPath.size()), List({"C:\\b.dll"}));
    const auto last = List({"C:\\a.dll", "C:\\Dialer\\zeltavpn.dll"});
    EXPECT_EQ(RemoveFromMultiSz(last, *FindInMultiSz(kPath, last), kPath.size()), List({"C:\\a.dll"}));
    const auto only = RemoveFromMultiSz(List({"C:\\Dialer\\zeltavpn.dll"}), 0, kPath.size());
    EXPECT_TRUE(IsEmptyMultiSz(only));
    EXPECT_FALSE(IsEmptyMultiSz(List({"C:\\a.dll"})));
}

TEST(MultiSz, AnUnclosedLastStringIsFoundAndRemovedWithoutReadingPastTheData) {
    auto unclosed = Raw(u"C:\\a.dll");
    unclosed.push_back(0);
    unclosed.push_back(0);
    const auto tail = Raw(kPath);  // runs to the end of the data
    unclosed.insert(unclosed.end(), tail.begin(), tail.end());
    const auto at = FindInMultiSz(kPath, unclosed);
    ASSERT_TRUE(at);
    EXPECT_EQ(RemoveFromMultiSz(unclosed, *at, kPath.size()), List({"C:\\a.dll"}));
    EXPECT_FALSE(FindInMultiSz(u"C:\\Dialer\\zeltavpn.dllx", unclosed));
}

TEST(MultiSz, TheListEndsAtItsClosingZeroAndWhatFollowsIsNeitherFoundNorBuriedUnder) {
    // Windows reads "a" alone: the path behind the closing zero is not registered, and a path added
    // after it would not be either.
    const std::u16string stored(u"a\0\0C:\\Dialer\\zeltavpn.dll\0\0", 27);
    const auto block = Raw(stored);
    EXPECT_FALSE(FindInMultiSz(kPath, block));
    const auto added = AppendToMultiSz(block, kPath);
    EXPECT_EQ(added, Raw(std::u16string(u"a\0C:\\Dialer\\zeltavpn.dll\0\0C:\\Dialer\\zeltavpn.dll\0\0", 50)));
    ASSERT_TRUE(FindInMultiSz(kPath, added));
    EXPECT_EQ(*FindInMultiSz(kPath, added), 4u);
    // Removing it again gives back what was stored, the bytes behind the list untouched.
    EXPECT_EQ(RemoveFromMultiSz(added, 4, kPath.size()), block);
}

}  // namespace
}  // namespace zelta
