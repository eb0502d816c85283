// The scenario words of the scripted user (sim::User) and of what the screen shows.
#pragma once

#include <string>

#include "platform/sim/ui.h"
#include "platform/sim/user.h"
#include "tools/campus/runner.h"

namespace zelta::campus {

// The window a user acts on (the most recently opened one still open); ScenarioError when none.
sim::SimWindow& TopWindow(Runner& r);
// The dialer's main window, or nullptr when it is not open.
sim::SimWindow* DialerWindow(Runner& r);
// A control of `window` by caption, role ("user name", "password", "status") or id; ScenarioError
// naming the line when there is none.
int ControlId(Runner& r, sim::SimWindow& window, const std::string& name);
// Posts `action` to `window`'s program and lets the machine run it.
void Act(Runner& r, sim::SimWindow& window, std::function<void(sim::SimWindow&)> action);
// Lets the machine run whatever is due now.
void Settle(Runner& r);
using sim::SameCaption;

void AddUserWords(std::vector<Word>& words);
void AddScreenExpectWords(std::vector<Word>& words);
// The notification icon, its menu and the foreground (desktop_words.cpp).
void AddDesktopWords(std::vector<Word>& words);
void AddDesktopExpectWords(std::vector<Word>& words);

}  // namespace zelta::campus
