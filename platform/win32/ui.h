// The real windowing: dialogs through DialogBoxParam with a procedure that only forwards to the
// controller, Shell_NotifyIcon, menus, message boxes, the string table.
#pragma once

#include <windows.h>

#include "platform/ui.h"

namespace zelta::win32 {

class Win32DialogHost final : public DialogHost {
public:
    explicit Win32DialogHost(HINSTANCE instance) : m_instance(instance) {}
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
    HINSTANCE m_instance;
    std::uint32_t m_lastError = 0;
};

class Win32Resources final : public Resources {
public:
    explicit Win32Resources(HINSTANCE instance) : m_instance(instance) {}
    std::string String(int id) override;

private:
    HINSTANCE m_instance;
};

// Runs a dialog template modally with `controller`, owned by `owner` (may be null).
int RunDialog(HINSTANCE instance, HWND owner, int templateId, DialogController& controller);

}  // namespace zelta::win32
