// Implements platform/ui.h on the simulated host: dialogs, timers, message boxes, the tray.
#include "platform/sim/ui.h"

#include "platform/sim/accounts.h"

#include "platform/text.h"

namespace zelta::sim {
namespace {

const ResourceSet& ResourcesOf(const Desktop& desktop, const ProcessFacts& process) {
    const auto it = desktop.imageResources.find(process.image);
    if (it == desktop.imageResources.end() || !it->second)
        throw SimSetupError("the program image " + process.image + " has no resources on this host; give them with "
                            "SimHost::SetImageResources");
    return *it->second;
}

// The application title message boxes take: the image name without its extension, as MFC derives it.
std::string ApplicationTitle(const ProcessFacts& process) {
    std::string title = process.image;
    if (title.size() > 4 && EqualsNoCase(title.substr(title.size() - 4), ".exe")) title.resize(title.size() - 4);
    return title;
}

}  // namespace

SimWindow* Desktop::Top() const {
    SimWindow* top = nullptr;
    for (const auto& [handle, window] : windows)
        if (!window->ended()) top = window;
    return top;
}

SimWindow* Desktop::Find(WindowHandle handle) const {
    const auto it = windows.find(handle.value);
    return it == windows.end() ? nullptr : it->second;
}

// Push buttons and edit boxes are tab stops unless the script says NOT WS_TABSTOP; anything else
// only when it says WS_TABSTOP.
bool IsTabStop(const ControlTemplate& c) {
    if (c.style.find("NOT WS_TABSTOP") != std::string::npos) return false;
    return c.kind == "PUSHBUTTON" || c.kind == "DEFPUSHBUTTON" || c.kind == "EDITTEXT" ||
           c.style.find("WS_TABSTOP") != std::string::npos;
}

SimWindow::SimWindow(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process,
                     Scheduler::ProgramId program, const DialogTemplate& dialog, DialogController& controller,
                     WindowHandle handle)
    : m_machine(machine),
      m_desktop(desktop),
      m_scheduler(scheduler),
      m_process(process),
      m_program(program),
      m_dialog(dialog),
      m_controller(controller),
      m_handle(handle),
      m_title(dialog.caption) {
    for (const ControlTemplate& c : dialog.controls) {
        if (c.id == -1) continue;
        m_controls[c.id] = SimControl{c.kind, c.text, c.style};
    }
    if (dialog.style.find("WS_SYSMENU") != std::string::npos) m_systemMenu.emplace_back(0xF060, "&Close");
    // Dialog units of an 8-point MS Sans Serif dialog (base units 6 x 13) in pixels; DS_CENTER
    // centres the window on the screen, otherwise it opens at the top left.
    const int width = dialog.width * 6 / 4;
    const int height = dialog.height * 13 / 8;
    const bool centred = dialog.style.find("DS_CENTER") != std::string::npos;
    const int x = centred ? (desktop.screenWidth - width) / 2 : 0;
    const int y = centred ? (desktop.screenHeight - height) / 2 : 0;
    m_bounds = ScreenRect{x, y, x + width, y + height};
    m_desktop.windows[m_handle.value] = this;
}

SimWindow::~SimWindow() { m_desktop.windows.erase(m_handle.value); }

void SimWindow::Note(std::string_view kind, const std::string& text) const {
    m_machine.journal.Note(kind, m_process.label + ": " + text);
}

void SimWindow::SetTitle(std::string_view title) {
    m_title = title;
    Note("window", "title \"" + m_title + "\"");
}

SimControl* SimWindow::FindControl(int id) {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

std::string SimWindow::ControlText(int id) {
    const SimControl* control = FindControl(id);
    return control ? control->text : std::string();
}

void SimWindow::SetControlText(int id, std::string_view text) {
    SimControl* control = FindControl(id);
    if (!control) return;
    if (control->IsStatusPane()) {
        const bool appended = text.size() >= control->text.size() && text.substr(0, control->text.size()) == control->text;
        std::string shown(appended ? text.substr(control->text.size()) : text);
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) shown.pop_back();
        for (auto& c : shown)
            if (c == '\r' || c == '\n') c = ' ';
        Note("status", appended ? shown : "(emptied) " + shown);
    }
    control->text = text;
}

void SimWindow::ControlSecret(int id, std::size_t maxCharacters, SecretBuffer& out) {
    const SimControl* control = FindControl(id);
    const std::u16string units = Utf8ToUtf16(control ? control->text : std::string());
    AssignUtf16(out, std::u16string_view(units).substr(0, maxCharacters));
}

void SimWindow::WipeControlText(int id) {
    if (SimControl* control = FindControl(id)) {
        SecureZero(control->text.data(), control->text.size());
        control->text.clear();
    }
}

void SimWindow::EnableControl(int id, bool enabled) {
    if (SimControl* control = FindControl(id)) control->enabled = enabled;
}

void SimWindow::ShowControl(int id, bool visible) {
    if (SimControl* control = FindControl(id)) control->visible = visible;
}

bool SimWindow::IsChecked(int id) {
    const SimControl* control = FindControl(id);
    return control && control->checked;
}

void SimWindow::SetChecked(int id, bool checked) {
    if (SimControl* control = FindControl(id)) control->checked = checked;
}

void SimWindow::LimitText(int id, std::size_t characters) {
    if (SimControl* control = FindControl(id)) control->limit = characters;
}

bool SimControl::Type(std::string_view typed) {
    if (!IsEdit() || IsReadOnly() || !enabled || !visible) return false;
    std::u16string units = Utf8ToUtf16(typed);
    const std::size_t most = limit ? limit : 30000;  // an edit control's default limit
    if (units.size() > most) {
        units.resize(most);
        if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
    }
    text = Utf16ToUtf8(units);
    return true;
}

void SimWindow::ScrollToEnd(int) {}

void SimWindow::SetTimer(std::uint32_t id, std::uint32_t milliseconds) {
    const std::uint64_t generation = ++m_timers[id];
    const std::uint64_t period = milliseconds == 0 ? 1 : milliseconds;
    // A repeating machine event; each tick queues at most one WM_TIMER, as Windows coalesces them.
    // The pending event owns the tick; the tick only knows itself weakly, so a stopped timer is freed.
    auto tick = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = tick;
    const WindowHandle handle = m_handle;
    Desktop& desktop = m_desktop;
    Scheduler& scheduler = m_scheduler;
    *tick = [&desktop, &scheduler, handle, id, generation, period, self] {
        SimWindow* window = desktop.Find(handle);
        if (!window || window->m_ended || window->m_timers[id] != generation) return;
        if (!window->m_timerPending[id]) {
            window->m_timerPending[id] = true;
            window->Post([id, generation](SimWindow& w) { w.DispatchTimer(id, generation); });
        }
        if (auto next = self.lock()) scheduler.After(period, [next] { (*next)(); });
    };
    m_scheduler.After(period, [tick] { (*tick)(); });
}

void SimWindow::DispatchTimer(std::uint32_t id, std::uint64_t generation) {
    m_timerPending[id] = false;
    if (m_timers[id] == generation && !m_ended) m_controller.OnTimer(id);
}

void SimWindow::KillTimer(std::uint32_t id) {
    if (m_timers.contains(id)) ++m_timers[id];
}

void SimWindow::Show(ShowCommand command) {
    if (command == ShowCommand::Hide) {
        if (m_visible) Note("window", "hidden");
        m_visible = false;
        return;
    }
    bool show = true;
    m_controller.OnWindowPosChanging(show);
    if (!show) return;
    const bool minimized = command == ShowCommand::Minimize;
    const bool changed = !m_visible || m_minimized != minimized;
    if (changed) Note("window", minimized ? "minimized" : "shown");
    m_visible = true;
    m_minimized = minimized;
    if (changed) Post([](SimWindow& w) { w.Paint(); });  // what becomes visible gets a WM_PAINT
}

void SimWindow::Paint() {
    if (!m_controller.OnPaint()) DefaultPaint();
}

void SimWindow::PaintMinimizedIcon(int iconResource) {
    m_canvas.push_back(Drawing{"icon", iconResource, 32, 32});
    Note("paint", "icon " + std::to_string(iconResource) + " centred in the minimized window");
}

void SimWindow::DrawPictureInControl(int controlId, Picture& picture) {
    m_canvas.push_back(Drawing{"picture", controlId, picture.Width(), picture.Height()});
    Note("paint", "picture " + std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()) +
                      " in control " + std::to_string(controlId));
}

namespace {

class SimPicture final : public Picture {
public:
    SimPicture(int width, int height) : m_width(width), m_height(height) {}
    int Width() override { return m_width; }
    int Height() override { return m_height; }

private:
    int m_width;
    int m_height;
};

int Le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
int Be16(std::span<const std::uint8_t> b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }

}  // namespace

std::unique_ptr<Picture> DecodePicture(std::span<const std::uint8_t> b) {
    if (b.size() >= 10 && (std::string_view(reinterpret_cast<const char*>(b.data()), 6) == "GIF87a" ||
                           std::string_view(reinterpret_cast<const char*>(b.data()), 6) == "GIF89a"))
        return std::make_unique<SimPicture>(Le16(b, 6), Le16(b, 8));
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        const auto width = static_cast<std::int32_t>(b[18] | (b[19] << 8) | (b[20] << 16) | (static_cast<std::uint32_t>(b[21]) << 24));
        const auto height = static_cast<std::int32_t>(b[22] | (b[23] << 8) | (b[24] << 16) | (static_cast<std::uint32_t>(b[25]) << 24));
        if (width > 0 && height != 0) return std::make_unique<SimPicture>(width, height < 0 ? -height : height);
        return nullptr;
    }
    if (b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
        // Walk the JPEG segments to the frame header, which holds the size.
        for (std::size_t at = 2; at + 9 <= b.size();) {
            if (b[at] != 0xFF) return nullptr;
            const std::uint8_t marker = b[at + 1];
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
                return std::make_unique<SimPicture>(Be16(b, at + 7), Be16(b, at + 5));
            const int length = Be16(b, at + 2);
            if (length < 2) return nullptr;
            at += 2 + static_cast<std::size_t>(length);
        }
    }
    return nullptr;
}

void SimWindow::MoveTo(int x, int y) {
    m_bounds = ScreenRect{x, y, x + (m_bounds.right - m_bounds.left), y + (m_bounds.bottom - m_bounds.top)};
}

void SimWindow::PlaceTopLeft(ZOrder z) {
    bool show = false;  // a move without SWP_SHOWWINDOW: the controller is asked, nothing is shown
    m_controller.OnWindowPosChanging(show);
    m_atTopLeft = true;
    m_zOrder = z;
}

void SimWindow::SetForeground() { m_desktop.foreground = m_handle; }

bool SimWindow::AppendSystemMenuItem(std::uint32_t id, std::string_view text) {
    if (m_systemMenu.empty()) return false;
    m_systemMenu.emplace_back(0, "");
    m_systemMenu.emplace_back(id, std::string(text));
    return true;
}

void SimWindow::SendCommand(int id) { Command(id); }

void SimWindow::Command(int id) {
    if (m_ended) return;
    if (m_controller.OnCommand(id)) return;
    if (id == dialog_result::kOk || id == dialog_result::kCancel) EndDialog(id);
}

void SimWindow::Close() {
    if (!m_controller.OnClose()) Command(dialog_result::kCancel);
}

void SimWindow::EndDialog(int result) {
    if (m_ended) return;
    m_result = result;
    m_ended = true;
}

void SimWindow::Destroy() {
    if (m_ended) return;
    m_result = 0;
    m_ended = true;
    // As the Windows side does: the program's menu, boxes and other dialogs end with the window, and
    // the controller's end runs now rather than when the loops unwind.
    if (m_desktop.menu && m_desktop.menu->owner == m_handle) m_desktop.menu->dismissed = true;
    if (m_desktop.messageBox && m_desktop.messageBox->program == m_program && !m_desktop.messageBox->answered) {
        m_desktop.messageBox->answered = true;
        m_desktop.messageBox->result = dialog_result::kCancel;
    }
    for (const auto& [handle, window] : m_desktop.windows)
        if (window != this && window->m_program == m_program) window->EndDialog(dialog_result::kCancel);
    m_destroyed = true;
    m_controller.OnDestroy();
}

void SimWindow::Post(std::function<void(SimWindow&)> message) {
    const WindowHandle handle = m_handle;
    Desktop& desktop = m_desktop;
    m_scheduler.Post(m_program, 0, [&desktop, handle, message = std::move(message)] {
        if (SimWindow* window = desktop.Find(handle); window && !window->m_ended) message(*window);
    });
}

int SimWindow::ShowMessageBox(std::string_view text, std::uint32_t) {
    return RunMessageBox(m_machine, m_desktop, m_scheduler, m_handle, text, ApplicationTitle(m_process), m_process.label);
}

int RunMessageBox(Machine& machine, Desktop& desktop, Scheduler& scheduler, WindowHandle owner, std::string_view text,
                  std::string title, const std::string& label) {
    desktop.messageBox = OpenMessageBox{owner, scheduler.Current(), std::string(text), std::move(title), false};
    std::string shown(text);
    for (auto& c : shown)
        if (c == '\r' || c == '\n') c = ' ';
    machine.journal.Note("message", label + ": " + shown);
    struct Closes {  // the box goes however its loop ends, its program ended by the system included
        Desktop& desktop;
        ~Closes() { desktop.messageBox.reset(); }
    } closes{desktop};
    // A nested modal loop: timers and notifications keep being dispatched until the user answers.
    while (desktop.messageBox && !desktop.messageBox->answered) {
        if (auto message = scheduler.WaitMessage()) message();
    }
    return desktop.messageBox ? desktop.messageBox->result : dialog_result::kOk;
}

int SimWindow::RunModal(int templateId, DialogController& controller) {
    return RunDialog(m_machine, m_desktop, m_scheduler, m_process, templateId, controller);
}

bool SimWindow::AddTrayIcon(int iconResource, std::uint32_t message) {
    // The log-on desktop has no taskbar, so no notification area.
    if (!m_desktop.trayAvailable || EqualsNoCase(m_process.desktop, "Winlogon")) return false;
    m_trayMessage = message;
    m_desktop.trayIcons[m_handle.value] = iconResource;
    if (!m_tip.empty()) m_desktop.trayTips[m_handle.value] = m_tip;  // the tip travels with the icon's record
    Note("tray", "icon " + std::to_string(iconResource) + " added");
    return true;
}

bool SimWindow::AllowFromLowerIntegrity(std::span<const std::uint32_t> messages) {
    if (!m_machine.osVersion || m_machine.osVersion->major < 6) return true;  // no integrity check to pass
    std::string shown;
    for (const std::uint32_t message : messages) {
        m_messageFilter.insert(message);
        char hex[16];
        std::snprintf(hex, sizeof hex, shown.empty() ? "0x%X" : " 0x%X", message);
        shown += hex;
    }
    Note("window", "lets in from lower integrity: " + shown);
    return true;
}

namespace {

std::string ShowTip(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool SimWindow::SetTrayTip(std::string_view tip) {
    m_tip = std::string(tip.substr(0, 127));  // NOTIFYICONDATA's 128 characters, with the terminator
    if (!m_desktop.trayIcons.contains(m_handle.value)) return false;
    m_desktop.trayTips[m_handle.value] = m_tip;
    Note("tray", "tip " + ShowTip(m_tip));
    return true;
}

bool SimWindow::ShowTrayBalloon(std::string_view title, std::string_view text) {
    if (!m_desktop.trayIcons.contains(m_handle.value)) return false;
    const std::string balloon = std::string(title) + ": " + std::string(text);
    m_desktop.trayBalloons.push_back(balloon);
    Note("tray", "balloon " + ShowTip(balloon));
    return true;
}

bool SimWindow::TakesFromExplorer(std::uint32_t message) const {
    if (!m_desktop.integrityLevels || !IsSystemAccount(m_process.account) || m_messageFilter.contains(message)) return true;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", message);
    Note("window", std::string("Explorer's message ") + hex + " dropped by the integrity check");
    return false;
}

bool SimWindow::ModifyTrayIcon(int iconResource) {
    const auto it = m_desktop.trayIcons.find(m_handle.value);
    if (it == m_desktop.trayIcons.end()) return false;
    it->second = iconResource;
    Note("tray", "icon " + std::to_string(iconResource));
    return true;
}

void SimWindow::DeleteTrayIcon() {
    m_desktop.trayTips.erase(m_handle.value);
    if (m_desktop.trayIcons.erase(m_handle.value) > 0) Note("tray", "icon deleted");
}

int SimWindow::FirstMenuCommand(int menuId) {
    const MenuTemplate* menu = ResourcesOf(m_desktop, m_process).Menu(menuId, m_desktop.language);
    return menu && !menu->items.empty() ? menu->items.front().command : 0;
}

bool SimWindow::TrackTrayMenu(int menuId) {
    const MenuTemplate* menu = ResourcesOf(m_desktop, m_process).Menu(menuId, m_desktop.language);
    if (!menu) return false;
    // TrackTrayMenu makes the first item the default, as SetMenuDefaultItem(popup, 0, TRUE) does.
    std::optional<int> first;
    if (!menu->items.empty() && menu->items.front().command != 0) first = menu->items.front().command;
    m_desktop.menu = OpenMenu{m_handle, menu->items, first, std::nullopt, false};
    m_desktop.foreground = m_handle;  // SetForegroundWindow first, so that a click elsewhere closes the menu
    Note("tray", "menu opened");
    struct Closes {  // the menu goes however its loop ends
        Desktop& desktop;
        ~Closes() { desktop.menu.reset(); }
    } closes{m_desktop};
    while (m_desktop.menu && !m_desktop.menu->chosen && !m_desktop.menu->dismissed) {
        if (auto message = m_scheduler.WaitMessage()) message();
    }
    const std::optional<int> chosen = m_desktop.menu ? m_desktop.menu->chosen : std::nullopt;
    if (chosen) Post([command = *chosen](SimWindow& w) { w.Command(command); });  // TrackPopupMenu posts it
    return true;
}

int SimWindow::RunModalLoop() {
    m_controller.OnInitDialog(*this);
    // OnInitDialog returns TRUE: the dialog manager focuses the first tab stop in template order.
    for (const ControlTemplate& c : m_dialog.controls) {
        const SimControl* control = FindControl(c.id);
        if (IsTabStop(c) && control && control->enabled && control->visible) {
            m_focus = c.id;
            break;
        }
    }
    // The dialog manager shows a visible template once it is initialised (the controller may refuse).
    if (!m_ended && m_dialog.style.find("WS_VISIBLE") != std::string::npos) Show(ShowCommand::ShowNormal);
    // DS_SETFOREGROUND: the dialog manager brings the dialog to the foreground as it opens.
    if (!m_ended && m_dialog.style.find("DS_SETFOREGROUND") != std::string::npos) m_desktop.foreground = m_handle;
    while (!m_ended) {
        if (auto message = m_scheduler.WaitMessage()) message();
    }
    if (!m_destroyed) m_controller.OnDestroy();
    m_visible = false;
    Note("window", "closed \"" + m_title + "\"");
    return m_result;
}

int RunDialog(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process, int templateId,
              DialogController& controller) {
    const DialogTemplate* dialog = ResourcesOf(desktop, process).Dialog(templateId, desktop.language);
    if (!dialog) return -1;
    if (scheduler.Current() == Scheduler::kDriver)
        throw SimSetupError("a dialog runs its modal loop on a program's own thread: start the program with SimHost::Start");
    const WindowHandle handle{desktop.nextHandle};
    desktop.nextHandle += 0x10;
    SimWindow window(machine, desktop, scheduler, process, scheduler.Current(), *dialog, controller, handle);
    machine.journal.Note("window", process.label + ": opened \"" + dialog->caption + "\"");
    return window.RunModalLoop();
}

void EndSession(Machine& machine, Desktop& desktop, Scheduler& scheduler, bool ending, bool logoff) {
    std::map<Scheduler::ProgramId, std::string> programs;  // with their labels
    for (const auto& [handle, window] : desktop.windows)
        if (!window->ended()) programs.emplace(window->program(), window->process().label);
    for (const auto& entry : programs) {
        const Scheduler::ProgramId program = entry.first;  // named copies: clang 14 captures no bindings
        const std::string label = entry.second;
        scheduler.Post(program, 0, [&machine, &desktop, &scheduler, program, label, ending, logoff] {
            std::vector<WindowHandle> handles;
            for (const auto& [handle, window] : desktop.windows)
                if (window->program() == program) handles.push_back(window->Handle());
            for (const WindowHandle handle : handles)
                if (SimWindow* window = desktop.Find(handle); window && !window->ended())
                    window->controller().OnEndSession(ending, logoff);
            if (!ending) return;
            machine.journal.Note("end", label + " ended by the system with the session");
            scheduler.EndCurrentProgram();
        });
    }
}

int SimDialogHost::DoModal(int templateId, DialogController& controller) {
    const int result = RunDialog(m_machine, m_desktop, m_scheduler, m_process, templateId, controller);
    m_lastError = result == -1 ? 1814 : 0;  // ERROR_RESOURCE_NAME_NOT_FOUND
    return result;
}

int SimDialogHost::ShowMessageBox(std::string_view text, std::string_view caption, std::uint32_t) {
    return RunMessageBox(m_machine, m_desktop, m_scheduler, WindowHandle{}, text, std::string(caption), m_process.label);
}

ScreenRect SimDialogHost::WindowBounds(WindowHandle window) {
    if (SimWindow* w = window ? m_desktop.Find(window) : nullptr) return w->Bounds();
    return ScreenRect{0, 0, m_desktop.screenWidth, m_desktop.screenHeight};
}

std::uint32_t SimDialogHost::RegisterMessage(std::string_view name) {
    auto it = m_desktop.registeredMessages.find(name);
    if (it == m_desktop.registeredMessages.end())
        it = m_desktop.registeredMessages
                 .emplace(std::string(name), static_cast<std::uint32_t>(0xC000 + m_desktop.registeredMessages.size()))
                 .first;
    return it->second;
}

void SimDialogHost::Send(WindowHandle handle, const std::function<void(SimWindow&)>& action) {
    SimWindow* window = m_desktop.Find(handle);
    if (!window || window->ended()) return;
    if (window->program() == m_scheduler.Current()) {
        action(*window);
        return;
    }
    auto done = std::make_shared<bool>(false);
    window->Post([action, done](SimWindow& w) {
        action(w);
        *done = true;
    });
    Desktop& desktop = m_desktop;
    m_scheduler.BlockUntil(
        [done, &desktop, handle] {
            const SimWindow* w = desktop.Find(handle);
            return *done || !w || w->ended();
        },
        std::nullopt);
}

void SimWindow::ForeignInitDialog(const std::string& from, const std::string& lParam) {
    Note("window", "WM_INITDIALOG from " + from + " (lParam " + lParam + ") not taken");
}

std::string SimWindow::AnswerForeign(int id, ForeignAsk ask, const std::string& from) {
    const SimControl* control = FindControl(id);
    if (!control) return std::string();
    const char* what = ask == ForeignAsk::Read ? "read" : ask == ForeignAsk::Unmask ? "unmask" : "copy";
    if (control->IsEdit() && control->IsPassword()) {
        Note("window", from + "'s " + what + " of control " + std::to_string(id) + " refused");
        return std::string();
    }
    return ask == ForeignAsk::Unmask && !control->IsEdit() ? std::string() : control->text;
}

Win32Error SimDialogHost::DescribeWindow(WindowHandle window, WindowOwner& out) {
    out = WindowOwner{};
    if (const SimWindow* w = m_desktop.Find(window); w && !w->ended()) {
        const ProcessFacts& owner = w->process();
        out = WindowOwner{true, owner.path.empty() ? "C:\\" + owner.image : owner.path,
                          EqualsNoCase(owner.account, m_process.account), owner.session == m_process.session};
        return err::kSuccess;
    }
    const auto foreign = m_desktop.foreignWindows.find(window.value);
    if (foreign == m_desktop.foreignWindows.end()) return err::kInvalidWindowHandle;
    out = foreign->second.owner;
    out.sameAccount = EqualsNoCase(foreign->second.account, m_process.account);
    out.sameSession = foreign->second.session == m_process.session;
    return err::kSuccess;
}

bool SimDialogHost::TouchForeign(WindowHandle window, std::string what) {
    const auto foreign = m_desktop.foreignWindows.find(window.value);
    if (foreign == m_desktop.foreignWindows.end()) return false;
    m_machine.journal.Note("window", m_process.label + " -> " + foreign->second.label + "'s window: " + what);
    foreign->second.touches.push_back(std::move(what));
    return true;
}

void SimDialogHost::SetForeground(WindowHandle window) {
    if (m_desktop.Find(window) || TouchForeign(window, "foreground")) m_desktop.foreground = window;
}

void SimDialogHost::SendCommand(WindowHandle window, int commandId) {
    if (TouchForeign(window, "command " + std::to_string(commandId))) return;
    Send(window, [commandId](SimWindow& w) { w.Command(commandId); });
}

void SimDialogHost::Show(WindowHandle window, ShowCommand command) {
    if (TouchForeign(window, "show " + std::to_string(static_cast<int>(command)))) return;
    Send(window, [command](SimWindow& w) { w.Show(command); });
}

std::string SimResources::String(int id) {
    const StringTemplate* text = ResourcesOf(m_desktop, m_process).String(id, m_desktop.language);
    return text ? text->text : std::string();
}

}  // namespace zelta::sim
