// The notification icon as a mouse reaches it, the menu it opens, and which window has the foreground.
#include <cstdio>
#include <set>

#include "platform/text.h"
#include "tools/campus/ui_words.h"

namespace zelta::campus {
namespace {

constexpr std::uint32_t kMouseMove = 0x0200;        // WM_MOUSEMOVE
constexpr std::uint32_t kLeftButtonDown = 0x0201;   // WM_LBUTTONDOWN
constexpr std::uint32_t kLeftButtonUp = 0x0202;     // WM_LBUTTONUP
constexpr std::uint32_t kRightButtonDown = 0x0204;  // WM_RBUTTONDOWN

// What the notification area sends for a gesture, in order, as Windows sends it.
std::optional<std::vector<std::uint32_t>> MouseMessages(const std::string& gesture) {
    if (EqualsNoCase(gesture, "double-click"))
        return std::vector<std::uint32_t>{kLeftButtonDown, kLeftButtonUp, tray_mouse::kLeftDoubleClick, kLeftButtonUp};
    if (EqualsNoCase(gesture, "right-click")) return std::vector<std::uint32_t>{kRightButtonDown, tray_mouse::kRightButtonUp};
    if (EqualsNoCase(gesture, "left-click")) return std::vector<std::uint32_t>{kLeftButtonDown, kLeftButtonUp};
    if (EqualsNoCase(gesture, "hover")) return std::vector<std::uint32_t>{kMouseMove};
    return std::nullopt;
}

// `tray double-click|right-click|left-click|hover` / `tray message N`.
Action Tray(Args& a) {
    const std::string gesture = a.Next("double-click, right-click, left-click, hover or message N");
    std::vector<std::uint32_t> messages;
    if (EqualsNoCase(gesture, "message")) {
        messages.push_back(a.Unsigned("a mouse message number (0x200 is WM_MOUSEMOVE)"));
    } else if (const auto known = MouseMessages(gesture)) {
        messages = *known;
    } else {
        a.Fail("expected double-click, right-click, left-click, hover or message N");
    }
    a.RequireDone();
    return [=](Runner& r) {
        auto& icons = r.host().desktop().trayIcons;
        if (icons.empty()) throw ScenarioError(r.current().Where() + ": there is no notification icon to click");
        sim::SimWindow* window = r.host().desktop().Find(WindowHandle{icons.begin()->first});
        if (!window) throw ScenarioError(r.current().Where() + ": the notification icon's window is gone");
        if (!window->TakesFromExplorer(window->trayMessage())) return;
        for (const std::uint32_t mouse : messages)
            window->Post([mouse](sim::SimWindow& w) { w.controller().OnTrayNotify(mouse); });
        Settle(r);
    };
}

// `menu ITEM` chooses an item of the open menu; `menu dismiss` closes it without a choice (a click
// elsewhere, or Escape).
Action Menu(Args& a) {
    const std::string item = a.Next("a menu item, or dismiss");
    a.RequireDone();
    const bool dismiss = EqualsNoCase(item, "dismiss");
    return [=](Runner& r) {
        auto& desktop = r.host().desktop();
        if (!desktop.menu) throw ScenarioError(r.current().Where() + ": no menu is open");
        int command = -1;
        for (const auto& entry : desktop.menu->items)
            if (entry.command != 0 && SameCaption(entry.text, item)) command = entry.command;
        if (!dismiss && command < 0)
            throw ScenarioError(r.current().Where() + ": the open menu has no item '" + item + "'");
        sim::SimWindow* owner = desktop.Find(desktop.menu->owner);
        r.host().scheduler().Post(owner->program(), 0, [&desktop, command, dismiss] {
            if (!desktop.menu) return;
            if (dismiss) {
                desktop.menu->dismissed = true;
            } else {
                desktop.menu->chosen = command;
            }
        });
        Settle(r);
    };
}

// `expect menu default ITEM` / `expect menu none`.
Action MenuState(Args& a) {
    if (a.Accept("none")) {
        a.RequireDone();
        return [](Runner& r) {
            const bool open = r.host().desktop().menu.has_value();
            r.Check(!open, "no open menu", open ? "a menu is open" : "");
        };
    }
    a.Require("default");
    const std::string item = a.Next("a menu item");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& menu = r.host().desktop().menu;
        if (!menu) return r.Check(false, "the menu's default item " + ShowText(item), "no menu is open");
        std::string seen = "none";
        for (const auto& entry : menu->items)
            if (menu->defaultCommand && entry.command == *menu->defaultCommand) seen = entry.text;
        r.Check(SameCaption(seen, item), "the menu's default item " + ShowText(item), ShowText(seen));
    };
}

// `expect foreground TITLE` / `expect foreground none`: the window that takes the keyboard.
Action Foreground(Args& a) {
    const std::string title = a.Next("a window title, or none");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow* window = r.host().desktop().Find(r.host().desktop().foreground);
        const std::string seen = window ? window->Title() : "none";
        r.Check(EqualsNoCase(seen, title), "the foreground window " + ShowText(title), ShowText(seen));
    };
}


// `integrity-levels`: Explorer runs below the system account's integrity level (Vista and later), so
// its messages reach the dialer's window only where the window let them in.
Action IntegrityLevels(Args& a) {
    a.RequireDone();
    return [](Runner& r) { r.host().desktop().integrityLevels = true; };
}

// `expect message-filter exactly tray-callback TaskbarCreated`: what the dialer's window lets in
// from a lower integrity level, and nothing else.
Action MessageFilter(Args& a) {
    a.Require("exactly");
    std::vector<std::string> names = a.Rest();
    if (names.empty()) a.Fail("expected the messages: tray-callback, TaskbarCreated, or none");
    return [=](Runner& r) {
        sim::SimWindow* window = DialerWindow(r);
        if (!window) throw ScenarioError(r.current().Where() + ": the dialer's window is not open");
        std::set<std::uint32_t> wanted;
        for (const std::string& name : names) {
            if (EqualsNoCase(name, "none")) continue;
            if (EqualsNoCase(name, "tray-callback")) {
                wanted.insert(window->trayMessage());
                continue;
            }
            const auto& registered = r.host().desktop().registeredMessages;
            const auto it = registered.find(name);
            if (it == registered.end()) throw ScenarioError(r.current().Where() + ": no message \"" + name + "\" is registered");
            wanted.insert(it->second);
        }
        std::vector<std::string> seen;
        for (const std::uint32_t message : window->messageFilter()) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%X", message);
            seen.push_back(hex);
        }
        r.Check(window->messageFilter() == wanted, "the window to let in exactly " + ShowLines(names), ShowLines(seen));
    };
}

}  // namespace

void AddDesktopWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"tray", Tray}, {"menu", Menu}, {"integrity-levels", IntegrityLevels}});
}

void AddDesktopExpectWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"menu", MenuState}, {"foreground", Foreground}, {"message-filter", MessageFilter}});
}

}  // namespace zelta::campus
