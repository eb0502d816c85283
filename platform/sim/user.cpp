// The scripted user's looks and actions.
#include "platform/sim/user.h"

#include "platform/text.h"

namespace zelta::sim {
namespace {

std::string WithoutAmpersands(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c != '&') out += c;
    return out;
}

}  // namespace

bool SameCaption(std::string_view caption, std::string_view name) {
    return EqualsNoCase(caption, name) || EqualsNoCase(WithoutAmpersands(caption), name);
}

SimWindow* User::WindowOf(int dialogId) const {
    for (const auto& [handle, window] : m_host.desktop().windows)
        if (window->dialog().id == dialogId && !window->ended()) return window;
    return nullptr;
}

std::optional<int> User::ControlByCaption(SimWindow& window, std::string_view caption) const {
    for (const auto& [id, control] : window.controls())
        if (SameCaption(control.text, caption)) return id;
    return std::nullopt;
}

void User::Act(SimWindow& window, std::function<void(SimWindow&)> action) {
    window.Post(std::move(action));
    Settle();
}

void User::Type(SimWindow& window, int id, std::string text) {
    Act(window, [id, text = std::move(text)](SimWindow& w) {
        if (SimControl* c = w.FindControl(id)) c->Type(text);
    });
}

namespace {

void ClickOn(SimWindow& w, int id) {
    SimControl* c = w.FindControl(id);
    if (c && (!c->enabled || !c->visible)) return;
    if (c && c->IsCheckBox()) c->checked = !c->checked;
    w.Command(id);
}

}  // namespace

void User::Click(SimWindow& window, int id) {
    Act(window, [id](SimWindow& w) { ClickOn(w, id); });
}

void User::SetChecked(SimWindow& window, int id, bool wanted) {
    Act(window, [id, wanted](SimWindow& w) {
        if (w.IsChecked(id) != wanted) ClickOn(w, id);
    });
}

void User::PressKey(SimWindow& window, bool escape) {
    Act(window, [escape](SimWindow& w) { w.Command(escape ? dialog_result::kCancel : dialog_result::kOk); });
}

void User::CloseBox(SimWindow& window) {
    Act(window, [](SimWindow& w) { w.Close(); });
}

bool User::ChooseSystemMenu(SimWindow& window, std::string_view item) {
    for (const auto& [id, text] : window.systemMenu()) {
        if (id != 0 && SameCaption(text, item)) {
            const std::uint32_t command = id;
            Act(window, [command](SimWindow& w) { w.controller().OnSysCommand(command); });
            return true;
        }
    }
    return false;
}

bool User::AnswerMessageBox() {
    Desktop& desktop = m_host.desktop();
    if (!desktop.messageBox) return false;
    m_host.scheduler().Post(desktop.messageBox->program, 0, [&desktop] {
        if (desktop.messageBox) desktop.messageBox->answered = true;
    });
    Settle();
    return true;
}

}  // namespace zelta::sim
