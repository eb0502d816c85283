// The scripted user and what it looks at: finding windows and controls by what a user sees.
#pragma once

#include <string>

#include "platform/sim/ui.h"
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
// A menu or button caption against what the scenario wrote: any case, with or without its '&'.
bool SameCaption(const std::string& caption, const std::string& name);

void AddUserWords(std::vector<Word>& words);
void AddScreenExpectWords(std::vector<Word>& words);
// The notification icon, its menu and the foreground (desktop_words.cpp).
void AddDesktopWords(std::vector<Word>& words);
void AddDesktopExpectWords(std::vector<Word>& words);

}  // namespace zelta::campus
