// The resource-script reader, and the dialer's own scripts read with it: both languages complete,
// placeholders matching, the main dialog as documented.
#include "tools/rcgen/rc_parser.h"

#include <gtest/gtest.h>

#include "platform/sim/code_page.h"

#include <set>

namespace zelta {
namespace {

// The printf conversions of a text, in order ("%d", "%08X", "%s").
std::vector<std::string> Placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i + 1)) {
        std::size_t end = i + 1;
        while (end < text.size() && std::string("0123456789.-+# l").find(text[end]) != std::string::npos) ++end;
        if (end < text.size()) found.push_back(text.substr(i, end - i + 1));
        i = end;
    }
    return found;
}

TEST(RcParser, ReadsDefinesDialogsMenusAndStrings) {
    const ResourceSet set = ParseResourceText(R"RC(
#define IDD_X 7
#define IDC_NAME 1003
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
IDD_X DIALOGEX 0, 0, 100, 50   // a comment
STYLE WS_POPUP | WS_CAPTION
CAPTION "Say ""hi"""
BEGIN
    EDITTEXT IDC_NAME, 1, 2, 3, 4, ES_AUTOHSCROLL
    CONTROL "Box", 1005, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 6, 7, 8
    DEFPUSHBUTTON "OK", IDOK, 9, 10, 11, 12
END
9 MENU
BEGIN
    POPUP "tray"
    BEGIN
        MENUITEM "&Go", 32771
        MENUITEM SEPARATOR
    END
END
STRINGTABLE
BEGIN
    101 "a\r\nb"
END
)RC",
                                              "test.rc");
    ASSERT_EQ(set.dialogs.size(), 1u);
    const DialogTemplate& d = set.dialogs[0];
    EXPECT_EQ(d.id, 7);
    EXPECT_EQ(d.caption, "Say \"hi\"");
    EXPECT_EQ(d.style, "WS_POPUP | WS_CAPTION");
    ASSERT_EQ(d.controls.size(), 3u);
    EXPECT_EQ(d.controls[0].id, 1003);
    EXPECT_EQ(d.controls[0].style, "ES_AUTOHSCROLL");
    EXPECT_EQ(d.controls[1].kind, "Button");
    EXPECT_EQ(d.controls[1].style, "BS_AUTOCHECKBOX | WS_TABSTOP");
    EXPECT_EQ(d.controls[2].id, 1);
    EXPECT_EQ(d.controls[2].height, 12);
    ASSERT_EQ(set.menus.size(), 1u);
    EXPECT_EQ(set.menus[0].items.size(), 2u);
    EXPECT_EQ(set.menus[0].items[1].command, 0);
    ASSERT_NE(set.String(101, 1041), nullptr);  // falls back to English
    EXPECT_EQ(set.String(101, 1041)->text, "a\r\nb");
}

TEST(RcParser, AnythingUnknownIsAnErrorNamingItsLine) {
    EXPECT_THROW(ParseResourceText("STRINGTABLE\nBEGIN\n    IDS_NOWHERE \"x\"\nEND\n", "t.rc"), RcError);
    EXPECT_THROW(ParseResourceText("1 BITMAP \"x.bmp\"\n", "t.rc"), RcError);
    try {
        ParseResourceText("\n\nSTRINGTABLE\nBEGIN\n 101 \"open\nEND\n", "t.rc");
        FAIL();
    } catch (const RcError& e) {
        EXPECT_STREQ(e.what(), "t.rc:5: a string is not closed");
    }
}

// What a broken script gives: the error, where it is.
std::string ErrorOf(const std::string& text, IncludeReader include = {}) {
    try {
        ParseResourceText(text, "t.rc", std::move(include));
    } catch (const RcError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(RcParser, BrokenScriptsAreErrorsWithFileAndLineNeverACrash) {
    EXPECT_EQ(ErrorOf("#include\n"), "t.rc:1: #include needs a \"file\" or <file>");
    EXPECT_EQ(ErrorOf("\n#include \"\n"), "t.rc:2: #include needs a \"file\" or <file>");
    EXPECT_EQ(ErrorOf("#include x.h\n"), "t.rc:1: #include needs a \"file\" or <file>");
    EXPECT_EQ(ErrorOf("#include \"t.rc\"\n", [](const std::string&) { return std::string("#include \"t.rc\"\n"); }),
              "t.rc:1: t.rc includes itself");
    EXPECT_EQ(ErrorOf("#include \"a.rc\"\n",
                      [](const std::string& name) { return "#include \"" + std::string(name == "a.rc" ? "b" : "a") + ".rc\"\n"; }),
              "b.rc:1: a.rc includes itself");
    EXPECT_EQ(ErrorOf("#include \"gone.h\"\n", [](const std::string&) -> std::string { throw RcError("cannot read gone.h"); }),
              "t.rc:1: cannot read gone.h");
    const std::string dialog = "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n";
    EXPECT_EQ(ErrorOf(dialog + "    LTEXT \"x\"\nEND\n"), "t.rc:3: LTEXT needs a text and an id, x, y, width, height");
    EXPECT_EQ(ErrorOf(dialog + "    ICON 128\nEND\n"), "t.rc:3: ICON needs a text and an id, x, y, width, height");
    EXPECT_EQ(ErrorOf(dialog + "    EDITTEXT\nEND\n"), "t.rc:3: EDITTEXT needs an id, x, y, width, height");
    EXPECT_EQ(ErrorOf(dialog + "    CONTROL \"x\", 1\nEND\n"), "t.rc:3: CONTROL needs text, id, class, style, x, y, width, height");
    EXPECT_EQ(ErrorOf(dialog + "    PUSHBUTTON \"x\", 99999999999999999999, 1, 2, 3, 4\nEND\n"),
              "t.rc:3: unknown id '99999999999999999999'");
}

class DialerResources : public ::testing::Test {
protected:
    ResourceSet set = ParseResourceScript(ZELTA_SOURCE_DIR "/dialer/dial.rc");
};

TEST_F(DialerResources, BothLanguagesHaveEveryStringWithTheSamePlaceholders) {
    for (int id = 101; id <= 137; ++id) {
        const StringTemplate* english = nullptr;
        const StringTemplate* japanese = nullptr;
        for (const auto& s : set.strings) {
            if (s.id == id && s.language == 1033) english = &s;
            if (s.id == id && s.language == 1041) japanese = &s;
        }
        ASSERT_NE(english, nullptr) << id;
        ASSERT_NE(japanese, nullptr) << id;
        EXPECT_EQ(Placeholders(english->text), Placeholders(japanese->text)) << id;
    }
    EXPECT_EQ(set.String(109, 1033)->text, "Error=%d(0x%08X)\r\n\r\n%s\r\n");
    EXPECT_EQ(Placeholders(set.String(109, 1041)->text), (std::vector<std::string>{"%d", "%08X", "%s"}));
}

TEST_F(DialerResources, EveryTextIsWritableInTheJapaneseCodePage) {
    // What a Japanese Windows shows goes through code page 932 in places (the ANSI log, old
    // controls): a text it cannot hold would come out as question marks.
    const auto fits = [](const std::string& text) { return sim::AnsiToUtf8(932, sim::Utf8ToAnsi(932, text)) == text; };
    for (const auto& s : set.strings) EXPECT_TRUE(fits(s.text)) << s.id << " " << s.language;
    for (const auto& d : set.dialogs) {
        EXPECT_TRUE(fits(d.caption)) << d.id;
        for (const auto& c : d.controls) EXPECT_TRUE(fits(c.text)) << d.id << " " << c.id;
    }
}

TEST_F(DialerResources, TheMainDialogMenusAndIconsAreAsDocumented) {
    const DialogTemplate* main = set.Dialog(102, 1033);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->caption, "VPN Dialer");
    EXPECT_EQ(main->width, 230);
    EXPECT_EQ(main->height, 242);
    std::set<int> ids;
    for (const auto& c : main->controls) ids.insert(c.id);
    EXPECT_EQ(ids, (std::set<int>{-1, 1, 3, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1011, 1012, 1015}));
    // The Japanese variant: the same controls in the same order, its own texts.
    const DialogTemplate* japanese = set.Dialog(102, 1041);
    ASSERT_NE(japanese, nullptr);
    ASSERT_NE(japanese, main);
    ASSERT_EQ(japanese->controls.size(), main->controls.size());
    for (std::size_t i = 0; i < main->controls.size(); ++i) EXPECT_EQ(japanese->controls[i].id, main->controls[i].id) << i;
    EXPECT_EQ(japanese->caption, "VPN Dialer");  // the title programs find the window by

    for (int language : {1033, 1041}) {
        const MenuTemplate* tray = set.Menu(132, language);
        ASSERT_NE(tray, nullptr);
        EXPECT_EQ(tray->language, language);
        ASSERT_EQ(tray->items.size(), 3u);
        EXPECT_EQ(tray->items[0].command, 32771);
        EXPECT_EQ(tray->items[2].command, 32772);
        const DialogTemplate* about = set.Dialog(100, language);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->language, language);
        EXPECT_TRUE(std::any_of(about->controls.begin(), about->controls.end(), [](const auto& c) { return c.id == 1016; }));
    }
    EXPECT_EQ(set.icons, (std::vector<int>{128, 131, 132, 134, 135}));
}

}  // namespace
}  // namespace zelta
