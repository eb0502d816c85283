// The scenario words of the scripted user (type, click, keys, menus, answers, session end) and the
// screen checks.
#include "tools/campus/ui_words.h"

#include "dialer/resource.h"
#include "platform/text.h"

namespace zelta::campus {

void Settle(Runner& r) { sim::User(r.host()).Settle(); }

namespace {

constexpr int kDialerDialog = 102;
constexpr int kStatusPane = 1011;


Action Type(Args& a) {
    const std::string control = a.Next("a control");
    const std::string text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, control);
        sim::User(r.host()).Type(window, id, text);
    };
}

Action ClickWord(Args& a) {
    const std::string control = a.Next("a control");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, control);
        sim::User(r.host()).Click(window, id);
    };
}

Action CheckWord(Args& a, bool wanted) {
    const std::string control = a.Next("a check box");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, control);
        sim::User(r.host()).SetChecked(window, id, wanted);
    };
}

Action Key(Args& a) {
    const std::string key = a.Next("Escape or Enter");
    a.RequireDone();
    const bool escape = EqualsNoCase(key, "Escape");
    if (!escape && !EqualsNoCase(key, "Enter")) a.Fail("expected Escape or Enter, found '" + key + "'");
    return [=](Runner& r) {
        sim::User(r.host()).PressKey(TopWindow(r), escape);
    };
}

Action CloseBox(Args& a) {
    a.RequireDone();
    return [](Runner& r) { sim::User(r.host()).CloseBox(TopWindow(r)); };
}

Action SystemMenu(Args& a) {
    const std::string item = a.Next("a system menu item");
    a.RequireDone();
    return [=](Runner& r) {
        if (sim::User(r.host()).ChooseSystemMenu(TopWindow(r), item)) return;
        throw ScenarioError(r.current().Where() + ": the system menu has no item '" + item + "'");
    };
}

Action Answer(Args& a) {
    if (a.Accept("message-box")) {
        a.RequireDone();
        return [](Runner& r) {
            if (!sim::User(r.host()).AnswerMessageBox())
                throw ScenarioError(r.current().Where() + ": no message box is open");
        };
    }
    a.Require("dialog");
    const std::string button = a.Next("a button");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, button);
        sim::User(r.host()).Click(window, id);
    };
}

// Log-off or shutdown: every window hears WM_ENDSESSION and the system ends its program; then the
// log-on screen comes back (log-off) and the services that asked are told (the session left, or the
// machine goes down). `cancelled`: some program refused the end, and the windows hear only that.
Action SessionEnd(Args& a, bool logoff) {
    const bool cancelled = a.Accept("cancelled");
    a.RequireDone();
    return [=](Runner& r) {
        sim::EndSession(r.host().machine(), r.host().desktop(), r.host().scheduler(), !cancelled, logoff);
        Settle(r);
        if (cancelled) return;
        if (logoff) {
            r.host().SetInputDesktop("Winlogon");
            const std::uint32_t console = r.host().machine().consoleSession;
            r.host().machine().sessionUsers.erase(console);
            r.host().NotifyServices(ServiceControlEvent{ServiceControlKind::SessionLogoff, console});
        } else {
            r.host().NotifyServices(ServiceControlEvent{ServiceControlKind::Shutdown, 0});
        }
        Settle(r);
    };
}

Action ExplorerRestarts(Args& a) {
    a.RequireDone();
    return [](Runner& r) {
        auto& desktop = r.host().desktop();
        desktop.trayIcons.clear();
        desktop.trayTips.clear();
        r.host().journal().Note("tray", "Explorer restarted: the notification area is empty");
        const auto it = desktop.registeredMessages.find("TaskbarCreated");
        if (it == desktop.registeredMessages.end()) return;
        const std::uint32_t message = it->second;
        for (const auto& [handle, window] : desktop.windows)
            if (window->TakesFromExplorer(message))
                window->Post([message](sim::SimWindow& w) { w.controller().OnRegisteredMessage(message, 0, 0); });
        Settle(r);
    };
}

// --- what the screen shows ---

sim::SimWindow* RequireDialer(Runner& r, const std::string& what) {
    sim::SimWindow* window = DialerWindow(r);
    if (!window) r.Check(false, what, "no dialer window");
    return window;
}

Action Status(Args& a) {
    enum { Exact, Contains, Lacks, Empty } mode = Exact;
    std::string text;
    if (a.Accept("empty")) {
        mode = Empty;
    } else if (a.Remaining() > 1 && a.Accept("contains")) {
        mode = Contains;
        text = a.Next("a text");
    } else if (a.Remaining() > 1 && a.Accept("lacks")) {
        mode = Lacks;
        text = a.Next("a text");
    } else {
        text = a.Next("a text");
    }
    a.RequireDone();
    return [=](Runner& r) {
        const std::string what = mode == Empty      ? "an empty status pane"
                                 : mode == Contains ? "the status pane contains " + ShowText(text)
                                 : mode == Lacks    ? "the status pane lacks " + ShowText(text)
                                                    : "the status pane " + ShowText(text);
        sim::SimWindow* window = RequireDialer(r, what);
        if (!window) return;
        const std::string pane = window->ControlText(kStatusPane);
        const bool found = pane.find(text) != std::string::npos;
        const bool held = mode == Empty ? pane.empty() : mode == Contains ? found : mode == Lacks ? !found : pane == text;
        r.Check(held, what, ShowText(pane));
    };
}

Action WindowState(Args& a) {
    const std::string state = a.Next("visible, hidden, minimized, absent, at X Y, bottom or icon N");
    if (EqualsNoCase(state, "icon")) {
        // `expect window icon N`: the icon resource the window gave itself (WM_SETICON, big and small).
        const std::uint32_t icon = a.Unsigned("an icon resource id");
        a.RequireDone();
        return [=](Runner& r) {
            sim::SimWindow* w = RequireDialer(r, "the window's icon " + std::to_string(icon));
            if (w) r.Check(w->icon() == static_cast<int>(icon), "the window's icon " + std::to_string(icon),
                           w->icon() ? "icon " + std::to_string(w->icon()) : "none");
        };
    }
    int x = 0, y = 0;
    if (EqualsNoCase(state, "at")) {
        x = static_cast<int>(a.Number("x"));
        y = static_cast<int>(a.Number("y"));
    } else if (!EqualsNoCase(state, "visible") && !EqualsNoCase(state, "hidden") && !EqualsNoCase(state, "minimized") &&
               !EqualsNoCase(state, "absent") && !EqualsNoCase(state, "bottom")) {
        a.Fail("unknown window state '" + state + "'");
    }
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow* w = DialerWindow(r);
        const std::string seen = !w ? "no window"
                                 : !w->IsVisible() ? "hidden"
                                 : w->IsMinimized() ? "minimized"
                                                    : "visible";
        std::string what = "the dialer window " + state;
        bool held = false;
        if (EqualsNoCase(state, "absent")) {
            held = !w;
        } else if (EqualsNoCase(state, "at")) {
            what += " " + std::to_string(x) + " " + std::to_string(y);
            held = w && x == 0 && y == 0 && w->atTopLeft();
            return r.Check(held, what, w && w->atTopLeft() ? "at 0 0" : "where Windows centred it");
        } else if (EqualsNoCase(state, "bottom")) {
            held = w && w->zOrder() == ZOrder::Bottom;
            return r.Check(held, what, w && w->zOrder() ? "not at the bottom" : "never placed");
        } else {
            held = seen == state || (EqualsNoCase(state, "visible") && seen == "visible");
        }
        r.Check(held, what, seen);
    };
}

Action Title(Args& a) {
    const std::string title = a.Next("a title");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow* w = RequireDialer(r, "the title " + ShowText(title));
        if (w) r.Check(w->Title() == title, "the title " + ShowText(title), ShowText(w->Title()));
    };
}

Action Control(Args& a) {
    const std::string control = a.Next("a control");
    const std::string state = a.Next("enabled, disabled, visible, hidden, checked, unchecked or text");
    std::string text;
    if (EqualsNoCase(state, "text")) text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, control);
        const sim::SimControl* c = window.FindControl(id);
        const std::string what = "control " + control + " " + state + (text.empty() ? "" : " " + ShowText(text));
        if (!c) return r.Check(false, what, "no such control");
        const std::string seen = std::string(c->enabled ? "enabled" : "disabled") + ", " + (c->visible ? "visible" : "hidden") +
                                 ", " + (c->checked ? "checked" : "unchecked") + ", text " + ShowText(c->text);
        bool held = false;
        if (EqualsNoCase(state, "enabled")) held = c->enabled;
        else if (EqualsNoCase(state, "disabled")) held = !c->enabled;
        else if (EqualsNoCase(state, "visible")) held = c->visible;
        else if (EqualsNoCase(state, "hidden")) held = !c->visible;
        else if (EqualsNoCase(state, "checked")) held = c->checked;
        else if (EqualsNoCase(state, "unchecked")) held = !c->checked;
        else if (EqualsNoCase(state, "text")) held = c->text == text;
        else throw ScenarioError(r.current().Where() + ": unknown control state '" + state + "'");
        r.Check(held, what, seen);
    };
}

// `expect tray tip [contains] TEXT`: the notification icon's tip.
Action TrayTip(Args& a) {
    const bool part = a.Remaining() > 1 && a.Accept("contains");
    const std::string text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& tips = r.host().desktop().trayTips;
        const std::string seen = tips.empty() ? std::string() : tips.begin()->second;
        const bool held = !tips.empty() && (part ? seen.find(text) != std::string::npos : seen == text);
        r.Check(held, std::string("the tray tip ") + (part ? "containing " : "") + ShowText(text),
                tips.empty() ? "no tip" : ShowText(seen));
    };
}

// `expect tray balloon [contains] TEXT` (the latest), `expect tray balloons N` (so far).
Action TrayBalloon(Args& a, bool count) {
    if (count) {
        const std::uint32_t n = a.Unsigned("a count");
        a.RequireDone();
        return [=](Runner& r) {
            const auto& balloons = r.host().desktop().trayBalloons;
            r.balloonsSeen = balloons.size();
            r.Check(balloons.size() == n, std::to_string(n) + " tray balloons", ShowLines(balloons));
        };
    }
    const bool part = a.Remaining() > 1 && a.Accept("contains");
    const std::string text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& balloons = r.host().desktop().trayBalloons;
        r.balloonsSeen = balloons.size();
        const std::string seen = balloons.empty() ? std::string() : balloons.back();
        const bool held = !balloons.empty() && (part ? seen.find(text) != std::string::npos : seen == text);
        r.Check(held, std::string("the latest tray balloon ") + (part ? "containing " : "") + ShowText(text),
                balloons.empty() ? "no balloon" : ShowText(seen));
    };
}

Action TrayState(Args& a) {
    const std::string state = a.Next("idle, connecting, connected, error, absent, tip, balloon or balloons");
    if (EqualsNoCase(state, "tip")) return TrayTip(a);
    if (EqualsNoCase(state, "balloon")) return TrayBalloon(a, false);
    if (EqualsNoCase(state, "balloons")) return TrayBalloon(a, true);
    a.RequireDone();
    const std::pair<int, const char*> icons[] = {
        {IDI_TRAY_IDLE, "idle"}, {IDI_TRAY_CONNECTING, "connecting"}, {IDI_TRAY_CONNECTED, "connected"}, {IDI_TRAY_ERROR, "error"}};
    bool known = EqualsNoCase(state, "absent");
    for (const auto& [id, name] : icons) known = known || EqualsNoCase(state, name);
    if (!known) a.Fail("expected idle, connecting, connected, error, absent, tip, balloon or balloons");
    return [=](Runner& r) {
        const auto& shown = r.host().desktop().trayIcons;
        std::string seen = shown.empty() ? "absent" : "icon " + std::to_string(shown.begin()->second);
        for (const auto& [id, name] : icons)
            if (!shown.empty() && shown.begin()->second == id) seen = name;
        r.Check(EqualsNoCase(seen, state), "the tray icon " + state, seen);
    };
}

// `expect message-box TEXT [title TITLE]`, or `contains TEXT` for part of its text.
Action MessageBoxState(Args& a) {
    const bool part = a.Remaining() > 1 && a.Accept("contains");
    const std::string text = a.Next("a text");
    std::string title;
    if (a.Accept("title")) title = a.Next("a title");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& box = r.host().desktop().messageBox;
        const std::string what = std::string("a message box ") + (part ? "containing " : "") + ShowText(text) +
                                 (title.empty() ? "" : " titled " + ShowText(title));
        if (!box) return r.Check(false, what, "none open");
        const bool textMatches = part ? box->text.find(text) != std::string::npos : box->text == text;
        r.Check(textMatches && (title.empty() || box->title == title), what,
                ShowText(box->text) + " titled " + ShowText(box->title));
    };
}

Action DialogState(Args& a) {
    if (a.Accept("at")) {
        const auto x = a.Number("x");
        const auto y = a.Number("y");
        a.RequireDone();
        return [=](Runner& r) {
            const ScreenRect bounds = TopWindow(r).Bounds();
            r.Check(bounds.left == x && bounds.top == y, "the dialog at " + std::to_string(x) + " " + std::to_string(y),
                    std::to_string(bounds.left) + " " + std::to_string(bounds.top));
        };
    }
    if (a.Accept("focus")) {
        const std::string control = a.Next("a control");
        a.RequireDone();
        return [=](Runner& r) {
            sim::SimWindow& window = TopWindow(r);
            const int id = ControlId(r, window, control);
            r.Check(window.focus() == id, "the focus on " + control, window.focus() ? "control " + std::to_string(window.focus()) : "no focus");
        };
    }
    if (a.Accept("control")) {
        const std::string control = a.Next("a control");
        a.Require("text");
        const std::string text = a.Next("a text");
        a.RequireDone();
        return [=](Runner& r) {
            sim::SimWindow& window = TopWindow(r);
            const std::string seen = window.ControlText(ControlId(r, window, control));
            r.Check(seen == text, "dialog control " + control + " text " + ShowText(text), ShowText(seen));
        };
    }
    const std::string title = a.Next("a dialog title");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow* window = r.host().desktop().Top();
        r.Check(window && window->Title() == title, "a dialog " + ShowText(title), window ? ShowText(window->Title()) : "none open");
    };
}

// What the paints drew: the banner (a picture in the banner frame) or the minimized window's icon.
Action Painted(Args& a, bool banner) {
    int width = -1, height = -1;
    if (banner && !a.Accept("none")) {
        width = static_cast<int>(a.Unsigned("a width in pixels"));
        height = static_cast<int>(a.Unsigned("a height in pixels"));
    }
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow* w = RequireDialer(r, banner ? "a banner" : "the minimized icon");
        if (!w) return;
        const sim::Drawing* last = nullptr;
        for (const auto& d : w->canvas())
            if (d.what == (banner ? "picture" : "icon")) last = &d;
        const std::string seen = last ? std::to_string(last->width) + " " + std::to_string(last->height) : "nothing drawn";
        if (!banner) return r.Check(last != nullptr, "the minimized icon painted", seen);
        if (width < 0) return r.Check(last == nullptr, "no banner", seen);
        r.Check(last && last->controlId == 1015 && last->width == width && last->height == height,
                "a banner of " + std::to_string(width) + " " + std::to_string(height) + " in the frame", seen);
    };
}

}  // namespace

sim::SimWindow& TopWindow(Runner& r) {
    sim::SimWindow* window = sim::User(r.host()).Top();
    if (!window) throw ScenarioError(r.current().Where() + ": no window is open");
    return *window;
}

sim::SimWindow* DialerWindow(Runner& r) { return sim::User(r.host()).WindowOf(kDialerDialog); }

int ControlId(Runner& r, sim::SimWindow& window, const std::string& name) {
    if (const auto number = ParseNumber(name)) {
        // An id the window has, or OK and Cancel, which every dialog takes as commands.
        const int id = static_cast<int>(*number);
        if (window.FindControl(id) || id == dialog_result::kOk || id == dialog_result::kCancel) return id;
        throw ScenarioError(r.current().Where() + ": the window \"" + window.Title() + "\" has no control " +
                            std::to_string(id));
    }
    const std::pair<const char*, int> roles[] = {{"user name", 1003}, {"password", 1004}, {"status", kStatusPane},
                                                 {"Cancel", dialog_result::kCancel}, {"prompt", 1013}, {"answer", 1014},
                                                 {"user name", 1001}, {"password", 1002}};
    for (const auto& [role, id] : roles)
        if (EqualsNoCase(name, role) && window.FindControl(id)) return id;
    if (const auto id = sim::User(r.host()).ControlByCaption(window, name)) return *id;
    throw ScenarioError(r.current().Where() + ": the window \"" + window.Title() + "\" has no control '" + name + "'");
}

void Act(Runner& r, sim::SimWindow& window, std::function<void(sim::SimWindow&)> action) {
    sim::User(r.host()).Act(window, std::move(action));
}

void AddUserWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"type", Type},
                               {"click", ClickWord},
                               {"check", [](Args& a) { return CheckWord(a, true); }},
                               {"uncheck", [](Args& a) { return CheckWord(a, false); }},
                               {"key", Key},
                               {"close-box", CloseBox},
                               {"system-menu", SystemMenu},
                               {"answer", Answer},
                               {"log-off", [](Args& a) { return SessionEnd(a, true); }},
                               {"shutdown", [](Args& a) { return SessionEnd(a, false); }},
                               {"explorer-restarts", ExplorerRestarts}});
    AddDesktopWords(words);
}

void AddScreenExpectWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"status", Status},
                               {"window", WindowState},
                               {"title", Title},
                               {"control", Control},
                               {"tray", TrayState},
                               {"message-box", MessageBoxState},
                               {"dialog", DialogState},
                               {"banner", [](Args& a) { return Painted(a, true); }},
                               {"minimized-icon", [](Args& a) { return Painted(a, false); }}});
    AddDesktopExpectWords(words);
}

}  // namespace zelta::campus
