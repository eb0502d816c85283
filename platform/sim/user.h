// User: the person at the simulated desktop, as scenarios and tests script them. It finds windows and
// controls by what the screen shows, and types, clicks, presses keys and answers message boxes; each
// action is posted to the window's program and run, as the real input would be.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/sim_host.h"
#include "platform/sim/ui.h"

namespace zelta::sim {

// A menu or button caption against what somebody wrote: any case, with or without its '&'.
bool SameCaption(std::string_view caption, std::string_view name);

class User {
public:
    explicit User(SimHost& host) : m_host(host) {}

    // The window a user acts on: the most recently opened one still open; nullptr when none.
    SimWindow* Top() const { return m_host.desktop().Top(); }
    // The open window of dialog template `dialogId`, or nullptr.
    SimWindow* WindowOf(int dialogId) const;
    // The control whose caption is `caption`.
    std::optional<int> ControlByCaption(SimWindow& window, std::string_view caption) const;

    // Posts `action` to `window`'s program and lets the machine run it.
    void Act(SimWindow& window, std::function<void(SimWindow&)> action);
    // Lets the machine run whatever is due now.
    void Settle() { m_host.RunFor(0); }

    void Type(SimWindow& window, int id, std::string text);
    // A disabled or hidden control takes no clicks; a check box toggles itself, then its command goes
    // to the dialog.
    void Click(SimWindow& window, int id);
    void SetChecked(SimWindow& window, int id, bool wanted);
    void PressKey(SimWindow& window, bool escape);
    void CloseBox(SimWindow& window);
    // False when the system menu has no such item.
    bool ChooseSystemMenu(SimWindow& window, std::string_view item);
    // False when no message box is open.
    bool AnswerMessageBox();

private:
    SimHost& m_host;
};

}  // namespace zelta::sim
