// The scenario language's words: quoting, escapes, comments, and values with line-numbered errors.
#include "tools/campus/script.h"

#include <gtest/gtest.h>

namespace zelta::campus {
namespace {

using Words = std::vector<std::string>;

TEST(ScenarioScript, WordsQuotesEscapesAndComments) {
    EXPECT_EQ(SplitWords("setting ZeltaVPNPath string C:\\Dialer\\dial.exe", "f:1"),
              (Words{"setting", "ZeltaVPNPath", "string", "C:\\Dialer\\dial.exe"}));
    EXPECT_EQ(SplitWords("ras-device vpn \"WAN Miniport (L2TP)\"  # the VPN device", "f:1"),
              (Words{"ras-device", "vpn", "WAN Miniport (L2TP)"}));
    EXPECT_EQ(SplitWords("x \"a\\r\\n\\t\\\"\\\\\\x41\" \"C:\\Program Files\\z\" a#b", "f:1"),
              (Words{"x", "a\r\n\t\"\\A", "C:\\Program Files\\z", "a#b"}));
    EXPECT_EQ(SplitWords("x \"\"", "f:1"), (Words{"x", ""}));
    EXPECT_TRUE(SplitWords("   # only a comment", "f:1").empty());
    try {
        SplitWords("file C:\\x text \"open", "demo.scn:7");
        FAIL() << "an open quote was accepted";
    } catch (const ScenarioError& e) {
        EXPECT_STREQ(e.what(), "demo.scn:7: a quoted word is not closed");
    }
}

TEST(ScenarioScript, DurationsAndNumbers) {
    EXPECT_EQ(ParseDuration("250ms"), 250u);
    EXPECT_EQ(ParseDuration("5s"), 5000u);
    EXPECT_EQ(ParseDuration("1.5s"), 1500u);
    EXPECT_EQ(ParseDuration("2m"), 120000u);
    EXPECT_EQ(ParseDuration("5"), std::nullopt);
    EXPECT_EQ(ParseDuration("s"), std::nullopt);
    EXPECT_EQ(ParseDuration("5h"), std::nullopt);
    EXPECT_EQ(ParseNumber("0x21001530"), 0x21001530);
    EXPECT_EQ(ParseNumber("-60"), -60);
    EXPECT_EQ(ParseNumber("12abc"), std::nullopt);
}

TEST(ScenarioScript, ArgumentsFailNamingTheLineAndWhatWasExpected) {
    const Line line{"demo.scn", 12, {"setting", "L2TP", "dword", "yes"}};
    Args args(line, 2);
    try {
        args.Value();
        FAIL() << "a word that is no number was taken as one";
    } catch (const ScenarioError& e) {
        EXPECT_STREQ(e.what(), "demo.scn:12: expected a number, found 'yes'");
    }
    const Line bytes{"demo.scn", 3, {"x", "02", "3130", "2"}};
    Args b(bytes, 1);
    EXPECT_THROW(b.Bytes(), ScenarioError);
    const Line key{"demo.scn", 4, {"HKLM\\SOFTWARE\\Zelta", "HKEY\\x"}};
    Args k(key, 0);
    EXPECT_EQ(k.Key().second, "SOFTWARE\\Zelta");
    EXPECT_THROW(k.Key(), ScenarioError);
}

}  // namespace
}  // namespace zelta::campus

namespace zelta::campus {
namespace {

RegValue ValueOf(std::vector<std::string> words) {
    const Line line{"v.scn", 1, std::move(words)};
    Args args(line, 0);
    return args.Value();
}

TEST(ScenarioScript, ValuesOfEveryTypeAreStoredAsWindowsStoresThem) {
    EXPECT_EQ(ValueOf({"dword", "0x0102"}).data, (std::vector<std::uint8_t>{0x02, 0x01, 0, 0}));
    EXPECT_EQ(ValueOf({"string", "ab"}).data, (std::vector<std::uint8_t>{'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(ValueOf({"expand", "x"}).type, RegType::ExpandString);
    EXPECT_EQ(ValueOf({"multi", "a", "b"}).data, (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_EQ(ValueOf({"binary", "0a", "0B0c"}).data, (std::vector<std::uint8_t>{0x0a, 0x0b, 0x0c}));
    const RegValue raw = ValueOf({"raw", "1", "41", "00", "42"});
    EXPECT_EQ(raw.type, RegType::String);
    EXPECT_EQ(raw.data, (std::vector<std::uint8_t>{0x41, 0x00, 0x42}));
    EXPECT_THROW(ValueOf({"qword", "1"}), ScenarioError);
    EXPECT_THROW(ValueOf({"dword", "4294967296"}), ScenarioError);
    EXPECT_THROW(ValueOf({"dword"}), ScenarioError);
}

TEST(ScenarioScript, AddressesAndMasksAreStrict) {
    const Line line{"a.scn", 3, {"10.1.0.0/255.255.0.0", "10.1.0.0", "10.1.0.0/", "10.1.0.300"}};
    Args args(line, 0);
    const auto [address, mask] = args.AddressMask();
    EXPECT_EQ(address.ToString(), "10.1.0.0");
    EXPECT_EQ(mask.ToString(), "255.255.0.0");
    EXPECT_THROW(args.AddressMask(), ScenarioError);
    EXPECT_THROW(args.AddressMask(), ScenarioError);
    EXPECT_THROW(args.Address(), ScenarioError);
}

}  // namespace
}  // namespace zelta::campus
