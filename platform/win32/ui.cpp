// Implements platform/ui.h with USER32 and SHELL32: a thin dialog procedure, and one call each.
#include "platform/win32/ui.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "platform/win32/dynamic_calls.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_guard.h"
#include "platform/win32/security.h"
#include "platform/win32/picture.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

HWND ToHwnd(WindowHandle handle) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle.value)); }

ScreenRect BoundsOf(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return ScreenRect{r.left, r.top, r.right, r.bottom};
}

std::string ApplicationTitle() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const auto dot = name.rfind(L'.');
    return Narrow(dot == std::wstring::npos ? name : name.substr(0, dot));
}

BOOL CALLBACK EndDialogUnlessKept(HWND hwnd, LPARAM keep) {
    wchar_t className[16] = {};
    if (hwnd != reinterpret_cast<HWND>(keep) && ::GetClassNameW(hwnd, className, 16) > 0 &&
        std::wstring_view(className) == L"#32770")
        ::EndDialog(hwnd, IDCANCEL);
    return TRUE;
}

// Every dialog and message box of this thread but `keep` (the dialog manager's class, "#32770")
// is told to end: each returns IDCANCEL once its loop runs again.
void EndOtherDialogs(HWND keep) {
    ::EnumThreadWindows(::GetCurrentThreadId(), EndDialogUnlessKept, reinterpret_cast<LPARAM>(keep));
}

// The program file of process `pid`: the first module of a snapshot of it, which Windows 2000
// already offers (unlike QueryFullProcessImageName).
DWORD ProgramOf(DWORD pid, std::string& out) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return ::GetLastError();
    UniqueObject closed(snapshot);
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!::Module32FirstW(snapshot, &module)) return ::GetLastError();
    module.szExePath[MAX_PATH - 1] = L'\0';
    out = Narrow(module.szExePath);
    return ERROR_SUCCESS;
}

struct ProcessIdentity {
    std::vector<std::uint8_t> user;  // the token's user SID
    DWORD session = 0;
};

DWORD IdentityOf(DWORD pid, ProcessIdentity& out) {
    UniqueObject process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) return ::GetLastError();
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(process.Get(), TOKEN_QUERY, &opened)) return ::GetLastError();
    UniqueObject token(opened);
    std::vector<std::uint8_t> user;
    if (const DWORD rc = ReadTokenUser(token.Get(), user); rc != ERROR_SUCCESS) return rc;
    PSID sid = TokenUserSid(user);
    DWORD size = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(sid);
    out.user.assign(bytes, bytes + ::GetLengthSid(sid));
    out.session = 0;  // no answer: a Windows without Terminal Services, where everybody is in session 0
    ::GetTokenInformation(token.Get(), TokenSessionId, &out.session, sizeof out.session, &size);
    return ERROR_SUCCESS;
}

class Win32Window;

// The dialogs this thread runs, innermost first, each a Win32Window on this thread's stack. The
// dialog procedure finds its controller here by window handle, in the program's own memory: nothing
// another program can set (a message's lParam, DWLP_USER, a window property) ever names one.
thread_local Win32Window* t_windows = nullptr;

class Win32Window final : public Window {
public:
    Win32Window(HINSTANCE instance, DialogController& controller)
        : m_instance(instance), m_controller(controller), m_outer(t_windows) {
        t_windows = this;
    }
    ~Win32Window() override {
        for (Win32Window** link = &t_windows; *link; link = &(*link)->m_outer) {
            if (*link == this) {
                *link = m_outer;
                break;
            }
        }
    }
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // The window whose dialog procedure gets `hwnd`'s messages; none for a window of no dialog of ours.
    static Win32Window* Find(HWND hwnd) {
        for (Win32Window* window = t_windows; window; window = window->m_outer)
            if (window->m_hwnd == hwnd && !window->m_destroyed) return window;
        return nullptr;
    }
    // The dialog this thread is creating: the innermost one that has had no WM_INITDIALOG yet. The
    // dialog manager sends it on this thread while DialogBoxParam makes the dialog; a copy that comes
    // later, or from another thread or program, finds no window to take it.
    static Win32Window* Creating(HWND hwnd) {
        if (::InSendMessage() || Find(hwnd)) return nullptr;
        Win32Window* window = t_windows;
        return window && !window->m_hwnd ? window : nullptr;
    }

    void Attach(HWND hwnd) {
        m_hwnd = hwnd;
        m_edits.Guard(hwnd);
    }
    DialogController& controller() { return m_controller; }
    std::uint32_t trayMessage() const { return m_trayMessage; }
    // After WM_DESTROY or Destroy, no message reaches the controller.
    void Detach() { m_destroyed = true; }

    WindowHandle Handle() override {
        return WindowHandle{static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_hwnd))};
    }
    std::string Title() override { return WindowText(m_hwnd); }
    void SetTitle(std::string_view title) override { ::SetWindowTextW(m_hwnd, Wide(title).c_str()); }
    std::string ControlText(int id) override { return WindowText(::GetDlgItem(m_hwnd, id)); }
    void SetControlText(int id, std::string_view text) override { ::SetDlgItemTextW(m_hwnd, id, Wide(text).c_str()); }
    void ControlSecret(int id, std::size_t maxCharacters, SecretBuffer& out) override {
        HWND control = ::GetDlgItem(m_hwnd, id);
        const int length = ::GetWindowTextLengthW(control);
        std::vector<wchar_t> text(std::min<std::size_t>(length > 0 ? static_cast<std::size_t>(length) : 0, maxCharacters) + 1);
        const int read = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
        AssignUtf16(out, std::u16string_view(reinterpret_cast<const char16_t*>(text.data()),
                                             static_cast<std::size_t>(read > 0 ? read : 0)));
        SecureZero(text.data(), text.size() * sizeof(wchar_t));
    }
    void WipeControlText(int id) override {
        // Text of the same length goes over the old in the control's own buffer, which then keeps no copy.
        HWND control = ::GetDlgItem(m_hwnd, id);
        const int length = ::GetWindowTextLengthW(control);
        if (length <= 0) return;
        const std::wstring filler(static_cast<std::size_t>(length), L'*');
        ::SetWindowTextW(control, filler.c_str());
        ::SetWindowTextW(control, L"");
    }
    void EnableControl(int id, bool enabled) override { ::EnableWindow(::GetDlgItem(m_hwnd, id), enabled); }
    void ShowControl(int id, bool visible) override { ::ShowWindow(::GetDlgItem(m_hwnd, id), visible ? SW_SHOW : SW_HIDE); }
    bool IsChecked(int id) override { return ::IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) override { ::CheckDlgButton(m_hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED); }
    void LimitText(int id, std::size_t characters) override {
        ::SendDlgItemMessageW(m_hwnd, id, EM_LIMITTEXT, characters, 0);
    }
    void ScrollToEnd(int id) override {
        ::SendDlgItemMessageW(m_hwnd, id, EM_SETSEL, 0x7FFF, 0x7FFF);
        ::SendDlgItemMessageW(m_hwnd, id, EM_SCROLLCARET, 0, 0);
        ::RedrawWindow(::GetDlgItem(m_hwnd, id), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override { ::SetTimer(m_hwnd, id, milliseconds, nullptr); }
    void KillTimer(std::uint32_t id) override { ::KillTimer(m_hwnd, id); }
    void Show(ShowCommand command) override { ::ShowWindow(m_hwnd, static_cast<int>(command)); }
    void PlaceTopLeft(ZOrder z) override {
        ::SetWindowPos(m_hwnd, z == ZOrder::Bottom ? HWND_BOTTOM : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
    }
    ScreenRect Bounds() override { return BoundsOf(m_hwnd); }
    void MoveTo(int x, int y) override {
        ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    bool IsVisible() override { return ::IsWindowVisible(m_hwnd) != FALSE; }
    bool IsMinimized() override { return ::IsIconic(m_hwnd) != FALSE; }
    void SetForeground() override { ::SetForegroundWindow(m_hwnd); }
    void SetIcon(int iconResource) override {
        HICON big = ::LoadIconW(m_instance, MAKEINTRESOURCEW(iconResource));
        auto* small = static_cast<HICON>(::LoadImageW(m_instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, 16, 16, 0));
        ::SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        ::SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : big));
    }
    bool AppendSystemMenuItem(std::uint32_t id, std::string_view text) override {
        HMENU menu = ::GetSystemMenu(m_hwnd, FALSE);
        if (!menu) return false;
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, id, Wide(text).c_str());
        return true;
    }
    void SendCommand(int id) override { ::SendMessageW(m_hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void EndDialog(int result) override { ::EndDialog(m_hwnd, result); }
    // DestroyWindow must not end a dialog that DialogBoxParam runs: EndDialog ends it the supported
    // way, but only when its loop next runs, behind every box opened over it. So the boxes are ended
    // too, and the controller's end runs here, detached first so that WM_DESTROY does not repeat it.
    void Destroy() override {
        if (m_destroyed) return;
        m_destroyed = true;
        ::EndMenu();
        EndOtherDialogs(m_hwnd);
        m_controller.OnDestroy();
        ::EndDialog(m_hwnd, 0);
    }
    int ShowMessageBox(std::string_view text, std::uint32_t flags) override {
        return ::MessageBoxW(m_hwnd, Wide(text).c_str(), Wide(ApplicationTitle()).c_str(), flags);
    }
    int RunModal(int templateId, DialogController& controller) override {
        return RunDialog(m_instance, m_hwnd, templateId, controller);
    }
    bool AddTrayIcon(int iconResource, std::uint32_t message) override {
        m_trayMessage = message;
        return Notify(NIM_ADD, iconResource);
    }
    bool ModifyTrayIcon(int iconResource) override { return Notify(NIM_MODIFY, iconResource); }
    bool SetTrayTip(std::string_view tip) override {
        m_tip = Wide(tip);
        if (m_tip.size() > 127) m_tip.resize(127);  // szTip's 128 characters, with the terminator
        return m_trayIcon != 0 && Notify(NIM_MODIFY, m_trayIcon);
    }
    bool ShowTrayBalloon(std::string_view title, std::string_view text) override {
        NOTIFYICONDATAW data = Record();
        data.uFlags = NIF_INFO;
        CopyText(data.szInfo, Wide(text));
        CopyText(data.szInfoTitle, Wide(title));
        data.uTimeout = 10000;  // the shell keeps it between 10 and 30 seconds
        data.dwInfoFlags = NIIF_INFO;
        return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    }
    bool AllowFromLowerIntegrity(std::span<const std::uint32_t> messages) override {
        constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD for the older call
        const DynamicCalls& calls = SystemCalls();
        bool allowed = true;
        for (const std::uint32_t message : messages) {
            if (calls.ChangeWindowMessageFilterEx) {
                allowed = calls.ChangeWindowMessageFilterEx(m_hwnd, message, kAllow, nullptr) && allowed;
            } else if (calls.ChangeWindowMessageFilter) {
                allowed = calls.ChangeWindowMessageFilter(message, kAllow) && allowed;  // Vista: the whole process
            }
        }
        return allowed;
    }
    void DeleteTrayIcon() override {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = m_hwnd;
        ::Shell_NotifyIconW(NIM_DELETE, &data);
    }
    bool TrackTrayMenu(int menuId) override {
        HMENU menu = ::LoadMenuW(m_instance, MAKEINTRESOURCEW(menuId));
        if (!menu) return false;
        HMENU popup = ::GetSubMenu(menu, 0);
        if (popup) {
            ::SetMenuDefaultItem(popup, 0, TRUE);
            POINT cursor{};
            ::GetCursorPos(&cursor);
            ::SetForegroundWindow(m_hwnd);
            ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, m_hwnd, nullptr);
        }
        ::DestroyMenu(menu);
        return popup != nullptr;
    }
    int FirstMenuCommand(int menuId) override {
        HMENU menu = ::LoadMenuW(m_instance, MAKEINTRESOURCEW(menuId));
        if (!menu) return 0;
        HMENU popup = ::GetSubMenu(menu, 0);
        const UINT id = popup ? ::GetMenuItemID(popup, 0) : 0;
        ::DestroyMenu(menu);
        return id == static_cast<UINT>(-1) ? 0 : static_cast<int>(id);
    }

    void DefaultPaint() override {
        PAINTSTRUCT paint;
        ::BeginPaint(m_hwnd, &paint);  // erases the background as the dialog manager would
        ::EndPaint(m_hwnd, &paint);
    }
    void PaintMinimizedIcon(int iconResource) override {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_hwnd, &paint);
        ::SendMessageW(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        ::GetClientRect(m_hwnd, &client);
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, ::LoadIconW(m_instance, MAKEINTRESOURCEW(iconResource)));
        ::EndPaint(m_hwnd, &paint);
    }
    void DrawPictureInControl(int controlId, Picture& picture) override {
        HWND control = ::GetDlgItem(m_hwnd, controlId);
        if (!control) return;
        PAINTSTRUCT paint;  // painting the control validates it: it does not paint over the picture
        HDC dc = ::BeginPaint(control, &paint);
        RenderOlePicture(picture, dc);
        ::EndPaint(control, &paint);
    }
    std::unique_ptr<Picture> LoadPicture(std::span<const std::uint8_t> bytes) override {
        return LoadOlePicture(bytes);
    }

private:
    static std::string WindowText(HWND hwnd) {
        const int length = ::GetWindowTextLengthW(hwnd);
        std::vector<wchar_t> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1);
        const int read = ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
        return Narrow(std::wstring_view(text.data(), static_cast<std::size_t>(read > 0 ? read : 0)));
    }

    // The version-2 record of shell 5.0: Windows 2000 takes no larger one, and it has the tip and
    // the balloon the dialer uses.
    NOTIFYICONDATAW Record() const {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V2_SIZE;
        data.hWnd = m_hwnd;
        data.uID = 0;
        return data;
    }
    template <std::size_t N>
    static void CopyText(wchar_t (&field)[N], const std::wstring& text) {
        const std::size_t count = std::min(text.size(), N - 1);
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count), field);
        field[count] = L'\0';
    }

    bool Notify(DWORD action, int iconResource) {
        NOTIFYICONDATAW data = Record();
        data.uFlags = NIF_MESSAGE | NIF_ICON | (m_tip.empty() ? 0 : NIF_TIP);
        data.uCallbackMessage = m_trayMessage;
        data.hIcon = static_cast<HICON>(::LoadImageW(m_instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, 16, 16, 0));
        CopyText(data.szTip, m_tip);
        m_trayIcon = iconResource;
        return ::Shell_NotifyIconW(action, &data) != FALSE;
    }

    HINSTANCE m_instance;
    DialogController& m_controller;
    Win32Window* m_outer;
    GuardedEdits m_edits;
    HWND m_hwnd = nullptr;
    std::uint32_t m_trayMessage = 0;
    int m_trayIcon = 0;   // the icon last given to the shell
    std::wstring m_tip;   // its tip, given again with every add and change
    bool m_destroyed = false;
};

// Forwards each message to the controller; keeps no behaviour of its own.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        Win32Window* window = Win32Window::Creating(hwnd);
        if (!window) return FALSE;  // not the dialog we are making: its lParam is never looked at
        window->Attach(hwnd);
        window->controller().OnInitDialog(*window);
        return TRUE;
    }
    Win32Window* window = Win32Window::Find(hwnd);
    if (!window) return FALSE;
    DialogController& c = window->controller();
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) > 1) return FALSE;  // control notifications other than clicks
            if (!c.OnCommand(LOWORD(wParam)) && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
                ::EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        case WM_TIMER: c.OnTimer(static_cast<std::uint32_t>(wParam)); return TRUE;
        case WM_SYSCOMMAND: return c.OnSysCommand(static_cast<std::uint32_t>(wParam & 0xFFF0)) ? TRUE : FALSE;
        case WM_CLOSE: return c.OnClose() ? TRUE : FALSE;
        case WM_ENDSESSION: return c.OnEndSession(wParam != 0, (lParam & ENDSESSION_LOGOFF) != 0) ? TRUE : FALSE;
        case WM_PAINT: return c.OnPaint() ? TRUE : FALSE;
        case WM_DESTROY: c.OnDestroy(); window->Detach(); return FALSE;
        case DM_GETDEFID:
            if (c.ReportsDefaultButton()) return FALSE;
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_WINDOWPOSCHANGING: {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
            bool show = (pos->flags & SWP_SHOWWINDOW) != 0;
            const bool wanted = show;
            c.OnWindowPosChanging(show);
            if (wanted && !show) pos->flags &= ~SWP_SHOWWINDOW;
            return FALSE;
        }
        default:
            break;
    }
    if (window->trayMessage() != 0 && message == window->trayMessage()) {
        c.OnTrayNotify(static_cast<std::uint32_t>(lParam));
        return TRUE;
    }
    if (message >= 0xC000 && message <= 0xFFFF)
        return c.OnRegisteredMessage(message, wParam, static_cast<std::intptr_t>(lParam)) ? TRUE : FALSE;
    return FALSE;
}

}  // namespace

int RunDialog(HINSTANCE instance, HWND owner, int templateId, DialogController& controller) {
    const TimerCallbackFilter noTimerCallbacks;
    Win32Window window(instance, controller);
    return static_cast<int>(::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, DialogProc, 0));
}

int Win32DialogHost::DoModal(int templateId, DialogController& controller) {
    ::SetLastError(ERROR_SUCCESS);
    const int result = RunDialog(m_instance, nullptr, templateId, controller);
    m_lastError = ::GetLastError();
    return result;
}

int Win32DialogHost::ShowMessageBox(std::string_view text, std::string_view caption, std::uint32_t flags) {
    return ::MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

ScreenRect Win32DialogHost::WindowBounds(WindowHandle window) {
    return BoundsOf(window ? ToHwnd(window) : ::GetDesktopWindow());
}

std::uint32_t Win32DialogHost::RegisterMessage(std::string_view name) {
    return ::RegisterWindowMessageW(Wide(name).c_str());
}

Win32Error Win32DialogHost::DescribeWindow(WindowHandle window, WindowOwner& out) {
    out = WindowOwner{};
    HWND hwnd = ToHwnd(window);
    DWORD pid = 0;
    if (!window || !::IsWindow(hwnd) || !::GetWindowThreadProcessId(hwnd, &pid)) return ERROR_INVALID_WINDOW_HANDLE;
    wchar_t className[16] = {};
    out.dialog = ::GetClassNameW(hwnd, className, 16) > 0 && std::wstring_view(className) == L"#32770";
    if (const DWORD rc = ProgramOf(pid, out.programPath); rc != ERROR_SUCCESS) return rc;
    ProcessIdentity theirs, ours;
    if (const DWORD rc = IdentityOf(pid, theirs); rc != ERROR_SUCCESS) return rc;
    if (const DWORD rc = IdentityOf(::GetCurrentProcessId(), ours); rc != ERROR_SUCCESS) return rc;
    out.sameAccount = theirs.user.size() == ours.user.size() &&
                      ::EqualSid(theirs.user.data(), ours.user.data()) != FALSE;
    out.sameSession = theirs.session == ours.session;
    return ERROR_SUCCESS;
}

void Win32DialogHost::SetForeground(WindowHandle window) { ::SetForegroundWindow(ToHwnd(window)); }

void Win32DialogHost::SendCommand(WindowHandle window, int commandId) {
    ::SendMessageW(ToHwnd(window), WM_COMMAND, static_cast<WPARAM>(commandId), 0);
}

void Win32DialogHost::Show(WindowHandle window, ShowCommand command) {
    ::ShowWindow(ToHwnd(window), static_cast<int>(command));
}

std::string Win32Resources::String(int id) {
    wchar_t text[1024];
    const int length = ::LoadStringW(m_instance, static_cast<UINT>(id), text, 1024);
    return length > 0 ? Narrow(std::wstring_view(text, static_cast<std::size_t>(length))) : std::string();
}

}  // namespace zelta::win32
