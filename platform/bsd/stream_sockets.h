// BsdSockets: platform/sockets.h over the BSD socket calls, which Winsock shares; the one file builds
// against ws2_32 on Windows and the C library on Linux. Text passes through unchanged (the Windows
// composition converts it to the ANSI code page).
#pragma once

#include "platform/sockets.h"

namespace zelta::bsd {

class BsdSockets : public Sockets {
public:
    Win32Error CreateListener(std::unique_ptr<Listener>& out) override;
    std::string ToWireText(std::string_view utf8) override { return std::string(utf8); }
    std::string FromWireText(std::string_view wire) override { return std::string(wire); }
    void ToWireSecret(const SecretBuffer& utf8, SecretBuffer& wire) override { AssignWhole(wire, utf8.View()); }
};

}  // namespace zelta::bsd
