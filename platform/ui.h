// The windowing seam: dialogs run by a controller, their controls by id, window timers, message
// boxes, the notification icon and its menu, other programs' windows by handle, and the string table.
// Implemented by platform/win32/ (a real dialog procedure that only forwards) and platform/sim/ (a
// headless dialog built from the same resource script, driven by a scripted user).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/secret.h"
#include "platform/win32_error.h"

namespace zelta {

// A window of any program on the machine, as a 32-bit value (what the shared data section holds).
// 0 is "no window".
struct WindowHandle {
    std::uint32_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

// ShowWindow commands, numbered as Windows numbers them.
enum class ShowCommand : int { Hide = 0, ShowNormal = 1, Minimize = 6, Restore = 9 };

// Where SetWindowPos puts a window in the z-order (HWND_BOTTOM, HWND_NOTOPMOST).
enum class ZOrder { Bottom, NotTopMost };

namespace dialog_result {
inline constexpr int kOk = 1;      // IDOK
inline constexpr int kCancel = 2;  // IDCANCEL
}  // namespace dialog_result

// MessageBox flags the product uses.
namespace message_box {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
}  // namespace message_box

// Mouse messages the notification icon forwards.
namespace tray_mouse {
inline constexpr std::uint32_t kLeftDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t kRightButtonUp = 0x0205;    // WM_RBUTTONUP
}  // namespace tray_mouse

class Window;

// A rectangle in screen pixels, as GetWindowRect gives it.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// A decoded picture (the banner), drawn at its natural size.
class Picture {
public:
    virtual ~Picture() = default;  // releases the decoder's picture
    // Its size in screen pixels.
    virtual int Width() = 0;
    virtual int Height() = 0;
};

// The behaviour of one dialog: the host calls these as the messages arrive. Return values say
// whether the message was handled; unhandled ones get the dialog manager's default processing.
class DialogController {
public:
    virtual ~DialogController() = default;

    // WM_INITDIALOG: the controls exist. `window` stays valid until the dialog's modal loop returns.
    virtual void OnInitDialog(Window& window) = 0;
    // WM_COMMAND from a control or a menu. Unhandled: IDOK and IDCANCEL end the dialog.
    virtual bool OnCommand(int id) = 0;
    // A window timer fired (several missed ticks arrive as one).
    virtual void OnTimer(std::uint32_t /*id*/) {}
    // WM_SYSCOMMAND with (id & 0xFFF0).
    virtual bool OnSysCommand(std::uint32_t /*id*/) { return false; }
    // WM_CLOSE (the close box). Unhandled: the dialog is cancelled.
    virtual bool OnClose() { return false; }
    // WM_ENDSESSION; `logoff` when only the user's session ends. Unhandled: nothing more happens.
    virtual bool OnEndSession(bool /*ending*/, bool /*logoff*/) { return false; }
    // The notification icon's callback message, with the mouse message.
    virtual void OnTrayNotify(std::uint32_t /*mouseMessage*/) {}
    // WM_WINDOWPOSCHANGING: clear `show` to keep the window from being shown.
    virtual void OnWindowPosChanging(bool& /*show*/) {}
    // A registered window message (RegisterWindowMessage).
    virtual bool OnRegisteredMessage(std::uint32_t /*message*/, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
        return false;
    }
    // WM_PAINT. Return true when the controller painted (through Window::DefaultPaint and the
    // drawing calls); false leaves the painting to the dialog manager.
    virtual bool OnPaint() { return false; }
    // DM_GETDEFID: false makes the dialog report no default button (Enter still sends IDOK).
    virtual bool ReportsDefaultButton() { return true; }
    // The last call: WM_DESTROY, or Window::Destroy (whichever comes first; it comes once).
    virtual void OnDestroy() {}
};

// One open dialog, as its controller sees it. Control ids are the resource script's.
class Window {
public:
    virtual ~Window() = default;

    virtual WindowHandle Handle() = 0;
    virtual std::string Title() = 0;
    virtual void SetTitle(std::string_view title) = 0;

    virtual std::string ControlText(int id) = 0;
    virtual void SetControlText(int id, std::string_view text) = 0;
    // A password box's text: at most `maxCharacters` characters and no more bytes than `out` holds
    // (whole characters), read through buffers that are wiped before they are given back. There is no
    // call to put a secret into a control: another program's messages reach a control's text.
    virtual void ControlSecret(int id, std::size_t maxCharacters, SecretBuffer& out) = 0;
    // Overwrites a box's text in place (the control's own buffer) before it gets other text.
    virtual void WipeControlText(int id) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual void ShowControl(int id, bool visible) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    // EM_LIMITTEXT.
    virtual void LimitText(int id, std::size_t characters) = 0;
    // Selects the end of an edit control, scrolls the caret into view and redraws it at once.
    virtual void ScrollToEnd(int id) = 0;

    // Window timers, delivered to OnTimer.
    virtual void SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uint32_t id) = 0;

    virtual void Show(ShowCommand command) = 0;
    // SetWindowPos to (0, 0) keeping the size, at `z` in the z-order.
    virtual void PlaceTopLeft(ZOrder z) = 0;
    // GetWindowRect.
    virtual ScreenRect Bounds() = 0;
    // SetWindowPos to (x, y) keeping the size, the z-order and the activation.
    virtual void MoveTo(int x, int y) = 0;
    virtual bool IsVisible() = 0;
    virtual bool IsMinimized() = 0;
    virtual void SetForeground() = 0;
    // WM_SETICON, big and small, from an icon resource.
    virtual void SetIcon(int iconResource) = 0;
    // Appends a separator and the item to the system menu. False when there is no system menu.
    virtual bool AppendSystemMenuItem(std::uint32_t id, std::string_view text) = 0;

    // Sends WM_COMMAND to this window (handled before it returns).
    virtual void SendCommand(int id) = 0;
    // Ends a modal dialog with `result` (the dialog is destroyed, OnDestroy runs).
    virtual void EndDialog(int result) = 0;
    // Ends the window now, whatever modal loop the thread is in: the program's other dialogs and
    // message boxes close (they return IDCANCEL when their loops next run), OnDestroy runs before
    // Destroy returns, and no later message reaches the controller. The system may end the process
    // as soon as the handler that called it returns (at log-off and shutdown), so nothing of the
    // end may wait for a later turn of a message loop.
    virtual void Destroy() = 0;

    // A modal message box owned by this window, titled with the application's name; returns the
    // button pressed. Timers and notifications keep arriving while it is open.
    virtual int ShowMessageBox(std::string_view text, std::uint32_t flags) = 0;
    // A modal child dialog.
    virtual int RunModal(int templateId, DialogController& controller) = 0;

    // The notification icon of this window (id 0, callback `message`). False when it cannot be
    // added, as when there is no notification area.
    virtual bool AddTrayIcon(int iconResource, std::uint32_t message) = 0;
    // Lets exactly `messages` through the integrity check from programs of a lower level (Explorer,
    // to a window of the system account): ChangeWindowMessageFilterEx for this window on Windows 7
    // and later, ChangeWindowMessageFilter on Vista, nothing before (there is no such check). False
    // when the system has the check and refused.
    virtual bool AllowFromLowerIntegrity(std::span<const std::uint32_t> messages) = 0;
    virtual bool ModifyTrayIcon(int iconResource) = 0;
    // The notification icon's tip, kept for every later add and change of the icon: the 128-character
    // tip of shell 5.0 (the version-2 record, which Windows 2000 takes), cut to fit.
    virtual bool SetTrayTip(std::string_view tip) = 0;
    // A balloon note over the notification icon (shell 5.0 and later). False where there is none.
    virtual bool ShowTrayBalloon(std::string_view title, std::string_view text) = 0;
    virtual void DeleteTrayIcon() = 0;
    // Loads menu resource `menuId`, makes its first popup's first item the default, and tracks that
    // popup at the cursor with this window as owner (the chosen command arrives as WM_COMMAND). False
    // when the menu cannot be loaded.
    virtual bool TrackTrayMenu(int menuId) = 0;
    // The first item of the first popup of menu `menuId`, or 0 when the menu cannot be loaded.
    virtual int FirstMenuCommand(int menuId) = 0;

    // Painting, from OnPaint only. DefaultPaint paints the dialog as the dialog manager would.
    virtual void DefaultPaint() = 0;
    // Draws an icon resource centred in the client area of the minimized window.
    virtual void PaintMinimizedIcon(int iconResource) = 0;
    // Draws `picture` upright at its natural size from the top-left corner of control `controlId`,
    // clipped to the control, which then does not paint over it.
    virtual void DrawPictureInControl(int controlId, Picture& picture) = 0;
    // Decodes a picture file's bytes (JPEG, GIF, BMP...); nullptr when they are not a picture.
    virtual std::unique_ptr<Picture> LoadPicture(std::span<const std::uint8_t> bytes) = 0;
};

// Who is behind a window, as a program must know before it acts on a handle another program could
// have put where it found it.
struct WindowOwner {
    bool dialog = false;       // of the dialog manager's class ("#32770")
    std::string programPath;   // the full path of the program file its process runs
    bool sameAccount = false;  // its process runs as this process's account
    bool sameSession = false;  // and in this process's session
};

// The program's dialogs and its view of other programs' windows.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Runs dialog `templateId` modally, without owner. Returns the EndDialog result, 0 when the
    // window was destroyed, -1 when it could not be created.
    virtual int DoModal(int templateId, DialogController& controller) = 0;

    // The error code DoModal left (GetLastError after DialogBoxParam): 0 after an ordinary end.
    virtual std::uint32_t LastError() = 0;
    // A modal message box without owner window, with its caption; returns the button pressed.
    virtual int ShowMessageBox(std::string_view text, std::string_view caption, std::uint32_t flags) = 0;
    // The rectangle of another window, or of the whole screen (the desktop window) for no window.
    virtual ScreenRect WindowBounds(WindowHandle window) = 0;

    // RegisterWindowMessage; 0 when it fails.
    virtual std::uint32_t RegisterMessage(std::string_view name) = 0;

    // What kind of window `window` is and whose. Fails with kInvalidWindowHandle (1400) when there is
    // no such window, or with the error that kept its process from being looked at.
    virtual Win32Error DescribeWindow(WindowHandle window, WindowOwner& out) = 0;

    // Another program's window, by handle (what a second copy does to the first copy's window).
    virtual void SetForeground(WindowHandle window) = 0;
    virtual void SendCommand(WindowHandle window, int commandId) = 0;
    virtual void Show(WindowHandle window, ShowCommand command) = 0;
};

// The string table of the program's resources, in the user's language.
class Resources {
public:
    virtual ~Resources() = default;
    // The text of string `id`, empty when there is none.
    virtual std::string String(int id) = 0;
};

}  // namespace zelta
