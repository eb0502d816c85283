// The simulated desktop: dialogs built from a template, timers that coalesce, message boxes and the
// tray menu as modal loops, and another program's SendMessage waiting for the answer.
#include "platform/sim/ui.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_host.h"
#include "platform/sim/user.h"

namespace zelta::sim {
namespace {

ResourceSet TestResources() {
    ResourceSet set;
    set.dialogs.push_back({7, 1033, "Test", "WS_POPUP | WS_VISIBLE | WS_SYSMENU", 100, 50,
                           {{1, "DEFPUSHBUTTON", "OK", "", 0, 0, 10, 10},
                            {10, "Button", "Box", "BS_AUTOCHECKBOX", 0, 0, 10, 10},
                            {11, "EDITTEXT", "", "ES_MULTILINE | ES_READONLY", 0, 0, 10, 10},
                            {12, "EDITTEXT", "", "ES_AUTOHSCROLL", 0, 0, 10, 10}}});
    set.menus.push_back({9, 1033, "tray", {{100, "&Open"}, {0, ""}, {101, "E&xit"}}});
    set.strings.push_back({5, 1033, "five"});
    set.strings.push_back({5, 1041, "go"});
    return set;
}

// A controller that records what reaches it and does what the test asks at initialisation.
class Recorder final : public DialogController {
public:
    std::function<void(Window&)> init;
    std::function<void(int)> heard;  // each command, as it arrives
    std::vector<std::string> seen;
    Window* window = nullptr;
    bool keepHidden = false;
    void OnInitDialog(Window& w) override {
        window = &w;
        if (init) init(w);
    }
    bool OnCommand(int id) override {
        seen.push_back("command " + std::to_string(id));
        if (heard) heard(id);
        return id == 100;
    }
    void OnTimer(std::uint32_t id) override { seen.push_back("timer " + std::to_string(id)); }
    void OnWindowPosChanging(bool& show) override {
        if (keepHidden) show = false;
    }
    bool OnSysCommand(std::uint32_t id) override {
        seen.push_back("system menu " + std::to_string(id));
        return true;
    }
    void OnDestroy() override { seen.push_back("destroy"); }
};

class SimUiTest : public ::testing::Test {
protected:
    SimUiTest() {
        host.SetInputDesktop("Default");
        host.SetImageResources("test.exe", resources);
    }
    SimProcess& Run(Recorder& recorder) {
        return host.Start("test.exe", "SYSTEM", [&recorder](SimProcess& p) { return p.platform().dialogs.DoModal(7, recorder); });
    }
    ResourceSet resources = TestResources();
    SimHost host;
};

TEST_F(SimUiTest, ADialogIsBuiltFromItsTemplateShownAndEndedByOk) {
    Recorder recorder;
    SimProcess& p = Run(recorder);
    SimWindow* w = host.desktop().Top();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Title(), "Test");
    EXPECT_TRUE(w->IsVisible());
    EXPECT_NE(w->FindControl(10), nullptr);
    EXPECT_EQ(w->FindControl(-1), nullptr);
    w->Post([](SimWindow& win) { win.Command(dialog_result::kOk); });
    host.RunFor(0);
    EXPECT_TRUE(p.HasEnded());
    EXPECT_EQ(p.exitCode(), dialog_result::kOk);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"command 1", "destroy"}));
    EXPECT_TRUE(host.desktop().windows.empty());
}

TEST_F(SimUiTest, TypingReplacesAnEditBoxsTextUpToItsLimitInCharactersAndSkipsReadOnlyBoxes) {
    Recorder recorder;
    recorder.init = [](Window& w) {
        w.SetControlText(11, "Not Connected.");
        w.LimitText(12, 3);
    };
    Run(recorder);
    SimWindow& w = *host.desktop().Top();
    EXPECT_FALSE(w.FindControl(11)->Type("typed"));
    EXPECT_EQ(w.ControlText(11), "Not Connected.");
    EXPECT_FALSE(w.FindControl(1)->Type("typed"));  // a button takes no typing
    ASSERT_TRUE(w.FindControl(12)->Type("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86"));  // four characters
    EXPECT_EQ(w.ControlText(12), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    ASSERT_TRUE(w.FindControl(12)->Type("ab\xF0\x9F\x98\x80"));  // a pair that the limit would split goes whole
    EXPECT_EQ(w.ControlText(12), "ab");
}

TEST_F(SimUiTest, AControllerCanKeepTheWindowFromBeingShown) {
    Recorder recorder;
    recorder.keepHidden = true;
    Run(recorder);
    EXPECT_FALSE(host.desktop().Top()->IsVisible());
}

TEST_F(SimUiTest, TimersFireOnVirtualTimeAndCoalesceWhileTheProgramIsBlocked) {
    Recorder recorder;
    recorder.init = [](Window& w) { w.SetTimer(4, 1000); };
    Run(recorder);
    host.RunFor(3000);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"timer 4", "timer 4", "timer 4"}));
    recorder.seen.clear();
    // The program sleeps 5 s inside a handler: the ticks that fell due meanwhile arrive as one.
    host.desktop().Top()->Post([](SimWindow& w) { w.controller().OnTimer(99); });
    host.desktop().Top()->Post([this](SimWindow&) { host.scheduler().Sleep(5000); });
    host.RunFor(5500);
    // The four ticks that fell due while it slept arrive as one; then the tick of 8 s.
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"timer 99", "timer 4", "timer 4"}));
    recorder.window->KillTimer(4);
    recorder.seen.clear();
    host.RunFor(5000);
    EXPECT_TRUE(recorder.seen.empty());
}

TEST_F(SimUiTest, MessageBoxesAndMenusAreModalYetTimersKeepComing) {
    Recorder recorder;
    recorder.init = [](Window& w) { w.SetTimer(1, 1000); };
    Run(recorder);
    SimWindow& w = *host.desktop().Top();
    int answer = 0;
    w.Post([&answer](SimWindow& win) { answer = win.ShowMessageBox("Error=691", 0); });
    host.RunFor(2500);
    ASSERT_TRUE(host.desktop().messageBox.has_value());
    EXPECT_EQ(host.desktop().messageBox->title, "test");
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"timer 1", "timer 1"}));
    host.scheduler().Post(w.program(), 0, [this] { host.desktop().messageBox->answered = true; });
    host.RunFor(0);
    EXPECT_EQ(answer, dialog_result::kOk);
    EXPECT_FALSE(host.desktop().messageBox.has_value());

    recorder.seen.clear();
    w.Post([](SimWindow& win) { win.TrackTrayMenu(9); });
    host.RunFor(0);
    ASSERT_TRUE(host.desktop().menu.has_value());
    EXPECT_EQ(w.FirstMenuCommand(9), 100);
    host.scheduler().Post(w.program(), 0, [this] { host.desktop().menu->chosen = 101; });
    host.RunFor(0);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"command 101"}));
}

TEST_F(SimUiTest, TheScriptedUserClicksOnlyWhatItCanAndACheckBoxTogglesBeforeTheDialogHearsIt) {
    Recorder recorder;
    bool checkedWhenHeard = false;
    recorder.init = [](Window& w) { w.EnableControl(10, false); };
    recorder.heard = [&recorder, &checkedWhenHeard](int id) {
        if (id == 10) checkedWhenHeard = recorder.window->IsChecked(10);
    };
    Run(recorder);
    SimWindow& w = *host.desktop().Top();
    User user(host);
    user.Click(w, 10);  // disabled: nothing
    EXPECT_FALSE(w.IsChecked(10));
    EXPECT_TRUE(recorder.seen.empty());

    w.Post([](SimWindow& win) { win.EnableControl(10, true); });
    user.Settle();
    user.Click(w, 10);
    EXPECT_TRUE(checkedWhenHeard);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"command 10"}));
    user.SetChecked(w, 10, true);  // already so: no click
    EXPECT_EQ(recorder.seen.size(), 1u);
    user.SetChecked(w, 10, false);
    EXPECT_FALSE(w.IsChecked(10));
    EXPECT_EQ(recorder.seen.back(), "command 10");

    w.Post([](SimWindow& win) { win.ShowControl(10, false); });
    user.Click(w, 10);  // hidden: nothing
    EXPECT_EQ(recorder.seen.size(), 2u);
}

TEST_F(SimUiTest, TheScriptedUserFindsCaptionsAsWrittenAndSaysWhatIsNotThere) {
    Recorder recorder;
    recorder.init = [](Window& w) { w.AppendSystemMenuItem(0x10, "&About..."); };
    Run(recorder);
    SimWindow& w = *host.desktop().Top();
    User user(host);
    EXPECT_EQ(user.Top(), &w);
    EXPECT_EQ(user.WindowOf(7), &w);
    EXPECT_EQ(user.WindowOf(8), nullptr);
    EXPECT_EQ(user.ControlByCaption(w, "box"), 10);
    EXPECT_EQ(user.ControlByCaption(w, "Bo"), std::nullopt);
    EXPECT_TRUE(SameCaption("E&xit", "exit"));
    EXPECT_TRUE(SameCaption("E&xit", "E&XIT"));
    EXPECT_FALSE(SameCaption("E&xit", "ex"));

    EXPECT_FALSE(user.ChooseSystemMenu(w, "Settings"));
    EXPECT_TRUE(user.ChooseSystemMenu(w, "about..."));
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"system menu 16"}));

    EXPECT_FALSE(user.AnswerMessageBox());  // none open
    int answer = 0;
    w.Post([&answer](SimWindow& win) { answer = win.ShowMessageBox("Error=691", 0); });
    user.Settle();
    EXPECT_TRUE(user.AnswerMessageBox());
    EXPECT_EQ(answer, dialog_result::kOk);

    user.Type(w, 12, "alice");
    user.Type(w, 11, "not into a read-only box");
    EXPECT_EQ(w.ControlText(12), "alice");
    EXPECT_EQ(w.ControlText(11), "");
    user.PressKey(w, true);  // Escape: the dialog's Cancel, which ends it
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"system menu 16", "command 2", "destroy"}));
}

TEST_F(SimUiTest, DestroyEndsTheWindowAtOnceWithTheBoxesAndDialogsOfItsProgram) {
    Recorder recorder;
    Run(recorder);
    SimWindow& w = *host.desktop().Top();
    // A child dialog, and over it a message box; a timer handler inside the box's loop destroys the window.
    Recorder child;
    int childResult = 0, boxResult = 0;
    std::vector<std::string> order;
    w.Post([&](SimWindow& win) { childResult = win.RunModal(7, child); });
    host.RunFor(0);
    SimWindow& childWindow = *host.desktop().Top();
    childWindow.Post([&](SimWindow& win) {
        boxResult = win.ShowMessageBox("Error=691", 0);
        order.push_back("box returned");
    });
    host.RunFor(0);
    ASSERT_TRUE(host.desktop().messageBox.has_value());
    host.scheduler().Post(w.program(), 0, [&] {
        w.Destroy();
        order.push_back(recorder.seen.empty() ? "not yet destroyed" : recorder.seen.back() + " before Destroy returned");
    });
    host.RunFor(0);
    EXPECT_EQ(order, (std::vector<std::string>{"destroy before Destroy returned", "box returned"}));
    EXPECT_EQ(boxResult, dialog_result::kCancel);
    EXPECT_EQ(childResult, dialog_result::kCancel);
    EXPECT_EQ(child.seen, (std::vector<std::string>{"destroy"}));
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"destroy"}));  // once, not again as the loop unwinds
    EXPECT_TRUE(host.desktop().windows.empty());
    EXPECT_FALSE(host.desktop().messageBox.has_value());
}

// A controller that ends its window at WM_ENDSESSION, as the dialer does.
class EndsAtSessionEnd final : public DialogController {
public:
    std::vector<std::string> seen;
    Window* window = nullptr;
    void OnInitDialog(Window& w) override { window = &w; }
    bool OnCommand(int) override { return false; }
    bool OnEndSession(bool ending, bool logoff) override {
        seen.push_back(std::string(ending ? "ending" : "cancelled") + (logoff ? " log-off" : " shutdown"));
        if (ending) window->Destroy();
        return false;
    }
    bool OnSysCommand(std::uint32_t id) override {
        seen.push_back("system menu " + std::to_string(id));
        return true;
    }
    void OnDestroy() override { seen.push_back("destroy"); }
};

TEST_F(SimUiTest, AtTheSessionsEndTheSystemEndsEachProgramOnceItsWindowsReturnedFromEndSession) {
    EndsAtSessionEnd dialer;
    bool afterLoop = false;
    SimProcess& p = host.Start("test.exe", "SYSTEM", [&](SimProcess& proc) {
        proc.platform().dialogs.DoModal(7, dialer);
        afterLoop = true;  // never reached: the system ends the program first
        return 5;
    });
    Recorder other;
    SimProcess& q = Run(other);
    // A box open in the dialer when the session ends: it goes with the program.
    host.desktop().windows.begin()->second->Post([](SimWindow& win) { win.ShowMessageBox("busy", 0); });
    host.RunFor(0);

    EndSession(host.machine(), host.desktop(), host.scheduler(), false, true);
    host.RunFor(0);
    EXPECT_EQ(dialer.seen, (std::vector<std::string>{"cancelled log-off"}));
    EXPECT_FALSE(p.HasEnded());

    EndSession(host.machine(), host.desktop(), host.scheduler(), true, false);
    host.RunFor(0);
    EXPECT_EQ(dialer.seen, (std::vector<std::string>{"cancelled log-off", "ending shutdown", "destroy"}));
    EXPECT_TRUE(p.HasEnded());
    EXPECT_FALSE(afterLoop);
    EXPECT_TRUE(q.HasEnded());  // a program that did nothing at WM_ENDSESSION is ended all the same
    EXPECT_TRUE(other.seen.empty());
    EXPECT_TRUE(host.desktop().windows.empty());
    EXPECT_FALSE(host.desktop().messageBox.has_value());
}

TEST_F(SimUiTest, AnotherProgramsSendMessageWaitsUntilTheWindowHandledIt) {
    Recorder recorder;
    Run(recorder);
    const WindowHandle handle = host.desktop().Top()->Handle();
    SimProcess& other = host.Start("other.exe", "SYSTEM", [handle](SimProcess& p) {
        p.platform().dialogs.SendCommand(handle, 100);
        return 0;
    });
    EXPECT_FALSE(other.HasEnded());  // waits for the answer
    host.RunFor(0);
    EXPECT_TRUE(other.HasEnded());
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"command 100"}));
}

TEST_F(SimUiTest, StringsComeInTheUsersLanguageAndMissingResourcesFailLoudly) {
    SimProcess& p = host.NewProcess("test.exe", "SYSTEM");
    EXPECT_EQ(p.platform().resources.String(5), "five");
    host.desktop().language = 1041;
    EXPECT_EQ(p.platform().resources.String(5), "go");
    EXPECT_EQ(p.platform().resources.String(6), "");
    SimProcess& stranger = host.NewProcess("stranger.exe", "SYSTEM");
    EXPECT_THROW(stranger.platform().resources.String(5), SimSetupError);
}

}  // namespace
}  // namespace zelta::sim

namespace zelta::sim {
namespace {

TEST(SimPictures, HeadersGiveTheSizeAndAnythingElseIsRefused) {
    const std::vector<std::uint8_t> gif{'G', 'I', 'F', '8', '9', 'a', 0x30, 0x02, 0x00, 0x01};
    auto picture = DecodePicture(gif);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 560);
    EXPECT_EQ(picture->Height(), 256);
    // A JPEG: SOI, an APP0 segment, then a baseline frame header of 83 x 214.
    const std::vector<std::uint8_t> jpeg{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11,
                                         0x08, 0x00, 0x53, 0x00, 0xD6, 0x03};
    picture = DecodePicture(jpeg);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 214);
    EXPECT_EQ(picture->Height(), 83);
    std::vector<std::uint8_t> bmp(26, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[18] = 10;
    bmp[22] = 0xF6;  // a top-down bitmap: negative height
    for (int i = 23; i < 26; ++i) bmp[i] = 0xFF;
    picture = DecodePicture(bmp);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Height(), 10);
    const std::string text = "not a picture";
    EXPECT_EQ(DecodePicture(std::vector<std::uint8_t>(text.begin(), text.end())), nullptr);
    EXPECT_EQ(DecodePicture(std::vector<std::uint8_t>{0xFF, 0xD8, 0x00, 0x00}), nullptr);  // a broken JPEG
    EXPECT_EQ(DecodePicture(std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0, 0, 0, 0}), nullptr);
}

}  // namespace
}  // namespace zelta::sim
