// The simulated windowing: headless dialogs built from the program's resource script, window timers
// on virtual time, message boxes and the tray menu as modal loops, and the desktop a scripted user
// acts on (type, click, tray clicks, close box, keys, answers).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/sim/resource_set.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/system_info.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace zelta::sim {

class SimWindow;

struct SimControl {
    std::string kind;
    std::string text;
    std::string style;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::size_t limit = 0;  // 0: the edit control's default
    bool IsCheckBox() const { return style.find("AUTOCHECKBOX") != std::string::npos; }
    bool IsPassword() const { return style.find("ES_PASSWORD") != std::string::npos; }
    bool IsStatusPane() const {
        return style.find("ES_MULTILINE") != std::string::npos && style.find("ES_READONLY") != std::string::npos;
    }
    bool IsEdit() const { return kind == "EDITTEXT" || EqualsNoCase(kind, "Edit"); }
    bool IsReadOnly() const { return style.find("ES_READONLY") != std::string::npos; }
    // The user types `typed` over the box's text, as an edit control takes it: nothing in a read-only
    // box, and no more characters (UTF-16 units, a pair kept whole) than its limit. False when the
    // control took nothing.
    bool Type(std::string_view typed);
};

// What a paint left on the screen: a picture in a control, or the icon of a minimized window.
struct Drawing {
    std::string what;  // "picture" or "icon"
    int controlId = 0;
    int width = 0;
    int height = 0;
};

// Whether the dialog manager stops at the control when the user tabs.
bool IsTabStop(const ControlTemplate& control);

// The sim's picture decoder: reads JPEG, GIF and BMP headers for the size, refuses anything else.
std::unique_ptr<Picture> DecodePicture(std::span<const std::uint8_t> bytes);

struct OpenMessageBox {
    WindowHandle owner;               // none for a box without owner window
    Scheduler::ProgramId program = 0; // the program whose thread waits in it
    std::string text;
    std::string title;
    bool answered = false;
    int result = 1;                   // IDOK; IDCANCEL when its program's window ended under it
};

struct OpenMenu {
    WindowHandle owner;
    std::vector<MenuItemTemplate> items;
    std::optional<int> defaultCommand;  // the item drawn bold, which a double click would choose
    std::optional<int> chosen;  // the command, once the user chose one
    bool dismissed = false;
};

// A window of a program that is none of the product's (a stand-in a scenario makes): who owns it, and
// what other programs did to it.
struct ForeignWindow {
    std::string label;        // its program, as the transcript names it
    WindowOwner owner;        // sameAccount/sameSession left false: they are asked of each viewer
    std::string account;
    std::uint32_t session = 0;
    std::vector<std::string> touches;  // "foreground", "command 32771", "show 9", in order
};

// What the screen holds: every open window by handle, the notification area, an open message box
// or menu, registered messages, and the resources of each program image.
struct Desktop {
    std::map<std::uint32_t, SimWindow*> windows;  // by handle, in creation order of their handles
    std::map<std::uint32_t, ForeignWindow> foreignWindows;
    std::map<std::uint32_t, int> trayIcons;       // window handle -> icon resource
    bool trayAvailable = true;                    // false: no notification area (the log-on desktop)
    bool integrityLevels = false;  // Explorer's messages to a system-account window pass only if let in
    std::map<std::uint32_t, std::string> trayTips;  // window handle -> its icon's tip
    std::vector<std::string> trayBalloons;          // every balloon shown, "title: text", in order
    std::optional<OpenMessageBox> messageBox;
    std::optional<OpenMenu> menu;
    std::map<std::string, std::uint32_t, NoCaseLess> registeredMessages;
    std::map<std::string, const ResourceSet*, NoCaseLess> imageResources;
    int language = 1033;
    int screenWidth = 1024;
    int screenHeight = 768;
    std::uint32_t nextHandle = 0x10010;
    WindowHandle foreground;

    // The window a user would act on: the most recently opened one still open.
    SimWindow* Top() const;
    SimWindow* Find(WindowHandle handle) const;
};

// One open dialog.
class SimWindow final : public Window {
public:
    SimWindow(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process,
              Scheduler::ProgramId program, const DialogTemplate& dialog, DialogController& controller,
              WindowHandle handle);
    ~SimWindow() override;

    // Window.
    WindowHandle Handle() override { return m_handle; }
    std::string Title() override { return m_title; }
    void SetTitle(std::string_view title) override;
    std::string ControlText(int id) override;
    void SetControlText(int id, std::string_view text) override;
    void ControlSecret(int id, std::size_t maxCharacters, SecretBuffer& out) override;
    void WipeControlText(int id) override;
    void EnableControl(int id, bool enabled) override;
    void ShowControl(int id, bool visible) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void LimitText(int id, std::size_t characters) override;
    void ScrollToEnd(int id) override;
    void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uint32_t id) override;
    void Show(ShowCommand command) override;
    void PlaceTopLeft(ZOrder z) override;
    ScreenRect Bounds() override { return m_bounds; }
    void MoveTo(int x, int y) override;
    bool IsVisible() override { return m_visible; }
    bool IsMinimized() override { return m_minimized; }
    void SetForeground() override;
    void SetIcon(int iconResource) override { m_icon = iconResource; }
    bool AppendSystemMenuItem(std::uint32_t id, std::string_view text) override;
    void SendCommand(int id) override;
    void EndDialog(int result) override;
    void Destroy() override;
    int ShowMessageBox(std::string_view text, std::uint32_t flags) override;
    int RunModal(int templateId, DialogController& controller) override;
    bool AddTrayIcon(int iconResource, std::uint32_t message) override;
    bool AllowFromLowerIntegrity(std::span<const std::uint32_t> messages) override;
    bool SetTrayTip(std::string_view tip) override;
    bool ShowTrayBalloon(std::string_view title, std::string_view text) override;
    // Whether a message from Explorer reaches this window: always, unless the desktop's integrity
    // levels keep a lower program's messages from a window of the system account.
    bool TakesFromExplorer(std::uint32_t message) const;
    std::uint32_t trayMessage() const { return m_trayMessage; }
    const std::set<std::uint32_t>& messageFilter() const { return m_messageFilter; }
    bool ModifyTrayIcon(int iconResource) override;
    void DeleteTrayIcon() override;
    bool TrackTrayMenu(int menuId) override;
    int FirstMenuCommand(int menuId) override;
    void DefaultPaint() override {}
    void PaintMinimizedIcon(int iconResource) override;
    void DrawPictureInControl(int controlId, Picture& picture) override;
    std::unique_ptr<Picture> LoadPicture(std::span<const std::uint8_t> bytes) override { return DecodePicture(bytes); }
    // What the paints drew, in order.
    const std::vector<Drawing>& canvas() const { return m_canvas; }

    // The modal loop: dispatches this program's messages until the dialog ends. Returns its result.
    int RunModalLoop();

    // The scripted user and other programs reach the window through its program's message queue.
    void Post(std::function<void(SimWindow&)> message);
    // Default processing of a command nobody handled: OK and Cancel end the dialog.
    void Command(int id);
    void Close();
    // Another program sent WM_INITDIALOG: the dialog manager's own came as the dialog was made, and a
    // later one is never taken (its lParam would be another program's pointer). Noted, nothing done.
    void ForeignInitDialog(const std::string& from, const std::string& lParam);
    // What another program gets from control `id` by WM_GETTEXT (`unmask`: after EM_SETPASSWORDCHAR 0;
    // `copy`: WM_COPY and the clipboard). A password box answers none of it to another thread.
    enum class ForeignAsk { Read, Unmask, Copy };
    std::string AnswerForeign(int id, ForeignAsk ask, const std::string& from);
    DialogController& controller() { return m_controller; }

    // What a test or scenario inspects.
    const std::map<int, SimControl>& controls() const { return m_controls; }
    SimControl* FindControl(int id);
    const std::vector<std::pair<std::uint32_t, std::string>>& systemMenu() const { return m_systemMenu; }
    bool atTopLeft() const { return m_atTopLeft; }
    std::optional<ZOrder> zOrder() const { return m_zOrder; }
    int icon() const { return m_icon; }
    bool ended() const { return m_ended; }
    // The control with the keyboard focus, 0 for none.
    int focus() const { return m_focus; }
    const DialogTemplate& dialog() const { return m_dialog; }
    Scheduler::ProgramId program() const { return m_program; }
    const ProcessFacts& process() const { return m_process; }

private:
    void Note(std::string_view kind, const std::string& text) const;
    void DispatchTimer(std::uint32_t id, std::uint64_t generation);

    Machine& m_machine;
    Desktop& m_desktop;
    Scheduler& m_scheduler;
    const ProcessFacts& m_process;
    Scheduler::ProgramId m_program;
    const DialogTemplate& m_dialog;
    DialogController& m_controller;
    WindowHandle m_handle;
    std::string m_title;
    std::map<int, SimControl> m_controls;
    std::map<std::uint32_t, std::uint64_t> m_timers;   // id -> generation
    std::map<std::uint32_t, bool> m_timerPending;      // a tick waits in the queue
    std::vector<std::pair<std::uint32_t, std::string>> m_systemMenu;
    bool m_visible = false;
    bool m_minimized = false;
    bool m_atTopLeft = false;
    std::optional<ZOrder> m_zOrder;
    int m_icon = 0;
    int m_focus = 0;
    ScreenRect m_bounds;
    bool m_ended = false;
    bool m_destroyed = false;  // the controller's OnDestroy has run
    int m_result = 0;
    std::uint32_t m_trayMessage = 0;
    std::set<std::uint32_t> m_messageFilter;  // what AllowFromLowerIntegrity let in
    std::string m_tip;                        // the tip, put back with the icon
    std::vector<Drawing> m_canvas;
    void Paint();
};

class SimDialogHost final : public DialogHost {
public:
    SimDialogHost(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process)
        : m_machine(machine), m_desktop(desktop), m_scheduler(scheduler), m_process(process) {}
    int DoModal(int templateId, DialogController& controller) override;
    std::uint32_t LastError() override { return m_lastError; }
    int ShowMessageBox(std::string_view text, std::string_view caption, std::uint32_t flags) override;
    ScreenRect WindowBounds(WindowHandle window) override;
    std::uint32_t RegisterMessage(std::string_view name) override;
    Win32Error DescribeWindow(WindowHandle window, WindowOwner& out) override;
    void SetForeground(WindowHandle window) override;
    void SendCommand(WindowHandle window, int commandId) override;
    void Show(WindowHandle window, ShowCommand command) override;

private:
    // A foreign window took what another program did to it; true when `window` is one.
    bool TouchForeign(WindowHandle window, std::string what);
    // Runs `action` on `window`'s thread and waits for it, as SendMessage to another program does.
    void Send(WindowHandle window, const std::function<void(SimWindow&)>& action);

    Machine& m_machine;
    Desktop& m_desktop;
    Scheduler& m_scheduler;
    const ProcessFacts& m_process;
    std::uint32_t m_lastError = 0;
};

class SimResources final : public Resources {
public:
    SimResources(Desktop& desktop, const ProcessFacts& process) : m_desktop(desktop), m_process(process) {}
    std::string String(int id) override;

private:
    Desktop& m_desktop;
    const ProcessFacts& m_process;
};

// A modal message box on the current program's thread: the scripted user answers it.
int RunMessageBox(Machine& machine, Desktop& desktop, Scheduler& scheduler, WindowHandle owner, std::string_view text,
                  std::string title, const std::string& label);

// Opens a dialog from `process`'s resources on the current program's thread and runs it modally.
int RunDialog(Machine& machine, Desktop& desktop, Scheduler& scheduler, const ProcessFacts& process, int templateId,
              DialogController& controller);

// The session ends (`ending`) or an end was cancelled: every program with windows on the desktop
// gets WM_ENDSESSION in each of its windows, in turn on its own thread. When the session ends, the
// system ends each such program as soon as its windows have returned from WM_ENDSESSION.
void EndSession(Machine& machine, Desktop& desktop, Scheduler& scheduler, bool ending, bool logoff);

}  // namespace zelta::sim
