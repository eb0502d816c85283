// The "CustomDLL" list: finding, adding and removing a path, including lists that are not closed as
// they should be.
#include "customdial/multi_sz.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_host.h"
#include "platform/text.h"

namespace zelta {
namespace {

// The comparison the simulated Windows makes, as the library gets it.
class Comparison {
public:
    Comparison() : m_process(m_host.NewProcess("regsvr32.exe", "Administrator", "Default")) {}
    operator SameText() {
        return [this](std::u16string_view a, std::u16string_view b) { return m_process.platform().system.SameTextNoCase(a, b); };
    }

private:
    sim::SimHost m_host;
    sim::SimProcess& m_process;
};

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

class MultiSz : public ::testing::Test {
protected:
    Comparison comparison;
    const SameText same = comparison;
};

TEST_F(MultiSz, FindsAPathWhateverItsCaseAndReportsItsOffset) {
    const auto list = List({"C:\\Other\\other.dll", "c:\\DIALER\\ZeltaVPN.DLL"});
    const auto at = FindInMultiSz(kPath, list, same);
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, (std::string("C:\\Other\\other.dll").size() + 1) * 2);
    EXPECT_FALSE(FindInMultiSz(u"C:\\Dialer\\zelta.dll", list, same));
    EXPECT_FALSE(FindInMultiSz(kPath, {}, same));
}

TEST_F(MultiSz, AppendingCreatesOrExtendsAClosedList) {
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

TEST_F(MultiSz, RemovingTheFirstMiddleLastOrOnlyPathKeepsTheOthersInOrder) {
    const auto three = List({"C:\\a.dll", "C:\\Dialer\\zeltavpn.dll", "C:\\b.dll"});
    EXPECT_EQ(RemoveFromMultiSz(three, *FindInMultiSz(kPath, three, same)), List({"C:\\a.dll", "C:\\b.dll"}));
    const auto first = List({"C:\\Dialer\\zeltavpn.dll", "C:\\b.dll"});
    EXPECT_EQ(RemoveFromMultiSz(first, 0), List({"C:\\b.dll"}));
    const auto last = List({"C:\\a.dll", "C:\\Dialer\\zeltavpn.dll"});
    EXPECT_EQ(RemoveFromMultiSz(last, *FindInMultiSz(kPath, last, same)), List({"C:\\a.dll"}));
    const auto only = RemoveFromMultiSz(List({"C:\\Dialer\\zeltavpn.dll"}), 0);
    EXPECT_TRUE(IsEmptyMultiSz(only));
    EXPECT_FALSE(IsEmptyMultiSz(List({"C:\\a.dll"})));
}

TEST_F(MultiSz, AnUnclosedLastStringIsFoundAndRemovedWithoutReadingPastTheData) {
    auto unclosed = Raw(u"C:\\a.dll");
    unclosed.push_back(0);
    unclosed.push_back(0);
    const auto tail = Raw(kPath);  // runs to the end of the data
    unclosed.insert(unclosed.end(), tail.begin(), tail.end());
    const auto at = FindInMultiSz(kPath, unclosed, same);
    ASSERT_TRUE(at);
    EXPECT_EQ(RemoveFromMultiSz(unclosed, *at), List({"C:\\a.dll"}));
    EXPECT_FALSE(FindInMultiSz(u"C:\\Dialer\\zeltavpn.dllx", unclosed, same));
}

TEST_F(MultiSz, TheListEndsAtItsClosingZeroAndWhatFollowsIsNeitherFoundNorBuriedUnder) {
    // Windows reads "a" alone: the path behind the closing zero is not registered, and a path added
    // after it would not be either.
    const std::u16string stored(u"a\0\0C:\\Dialer\\zeltavpn.dll\0\0", 27);
    const auto block = Raw(stored);
    EXPECT_FALSE(FindInMultiSz(kPath, block, same));
    const auto added = AppendToMultiSz(block, kPath);
    EXPECT_EQ(added, Raw(std::u16string(u"a\0C:\\Dialer\\zeltavpn.dll\0\0C:\\Dialer\\zeltavpn.dll\0\0", 50)));
    ASSERT_TRUE(FindInMultiSz(kPath, added, same));
    EXPECT_EQ(*FindInMultiSz(kPath, added, same), 4u);
    // Removing it again gives back what was stored, the bytes behind the list untouched.
    EXPECT_EQ(RemoveFromMultiSz(added, 4), block);
}

TEST_F(MultiSz, PathsCompareAsTheSystemComparesThemBeyondAToZ) {
    const auto list = List({"C:\\Programme\\\xC3\x9C" "bung \xCE\xA9\\zeltavpn.dll"});  // "Übung Ω"
    EXPECT_TRUE(FindInMultiSz(u"c:\\programme\\\u00FCbung \u03C9\\ZELTAVPN.DLL", list, same));
    EXPECT_FALSE(FindInMultiSz(u"c:\\programme\\ubung \u03C9\\zeltavpn.dll", list, same));
    // Two different lone surrogates are two different paths, not two that read the same once converted.
    const std::u16string lone(u"C:\\\xD800.dll"), other(u"C:\\\xD801.dll");
    const auto stored = AppendToMultiSz({}, lone);
    EXPECT_TRUE(FindInMultiSz(lone, stored, same));
    EXPECT_FALSE(FindInMultiSz(other, stored, same));
}

TEST_F(MultiSz, RemovingTakesTheWholeStringFoundEvenWhenTheSystemMatchedOneOfAnotherLength) {
    const auto list = List({"C:\\a.dll", "C:\\Dialer\\zeltavpn.dll", "C:\\b.dll"});
    const SameText prefix = [](std::u16string_view a, std::u16string_view b) { return a.substr(0, 4) == b.substr(0, 4); };
    const auto at = FindInMultiSz(u"C:\\Di", list, prefix);
    ASSERT_TRUE(at);
    EXPECT_EQ(RemoveFromMultiSz(list, *at), List({"C:\\a.dll", "C:\\b.dll"}));
}

TEST(SimTextComparison, UpperCaseOfEveryScriptAndLoneSurrogatesStayThemselves) {
    sim::SimHost host;
    SystemInfo& system = host.NewProcess("t.exe", "SYSTEM", "Default").platform().system;
    EXPECT_TRUE(system.SameTextNoCase(u"\u00C4\u00D6\u00DC abc", u"\u00E4\u00F6\u00FC ABC"));
    EXPECT_TRUE(system.SameTextNoCase(u"\u0416\u0398", u"\u0436\u03B8"));  // Cyrillic, Greek
    EXPECT_TRUE(system.SameTextNoCase(u"\uFF21", u"\uFF41"));                // fullwidth A
    EXPECT_FALSE(system.SameTextNoCase(u"abc", u"abcd"));
    EXPECT_TRUE(system.SameTextNoCase(u"\xD800", u"\xD800"));
    EXPECT_FALSE(system.SameTextNoCase(u"\xD800", u"\xD801"));
    EXPECT_FALSE(system.SameTextNoCase(u"\xDC00", u"\xDC01"));
    // A pair is one character: Deseret capital and small long I.
    EXPECT_TRUE(system.SameTextNoCase(u"\U00010400", u"\U00010428"));
}

}  // namespace
}  // namespace zelta
