// The windowing seam: opaque window handles, a dialog's controls by id, window timers, message
// boxes, the notification icon and the string table. Declared here with the handle type every
// other interface needs; the hosts (a real dialog procedure, a headless sim dialog) come with the
// main window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelta {

// A window of any program on the machine, as a 32-bit value (what the shared data section holds).
// 0 is "no window".
struct WindowHandle {
    std::uint32_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

// A dialog's controls and its own window, addressed by control id.
class Window {
public:
    virtual ~Window() = default;
    virtual WindowHandle Handle() const = 0;
    virtual std::string ControlText(int id) = 0;
    virtual void SetControlText(int id, std::string_view text) = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual void ShowControl(int id, bool visible) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uint32_t id) = 0;
};

// The string table of a program's resources, in the user's language.
class Resources {
public:
    virtual ~Resources() = default;
    virtual std::string String(int id) = 0;
};

}  // namespace zelta
