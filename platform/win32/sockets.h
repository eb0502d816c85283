// Win32Sockets: the BSD socket calls of Winsock, with text converted to the ANSI code page where it
// goes on the wire.
#pragma once

#include "platform/bsd/stream_sockets.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {

class Win32Sockets final : public bsd::BsdSockets {
public:
    std::string ToWireText(std::string_view utf8) override { return ToAnsi(utf8); }
    std::string FromWireText(std::string_view wire) override { return FromAnsi(wire); }
    void ToWireSecret(const SecretBuffer& utf8, SecretBuffer& wire) override { ToAnsiSecret(utf8, wire); }
};

}  // namespace zelta::win32
