// SecurIdDialog: the modal dialog (template 133) in which the user answers the prompts the VPN
// server sends during a SecurID New PIN or Next PIN exchange, and the framing of those messages on
// the challenge connection: a length byte, then that many bytes of text in the ANSI code page.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/log.h"
#include "platform/sockets.h"
#include "platform/ui.h"

namespace zelta {

inline constexpr std::size_t kSecurIdMaxText = 254;  // bytes of text in one message, either way

class SecurIdDialog final : public DialogController {
public:
    // `connection` is the accepted challenge connection; the dialog uses it and never closes it.
    SecurIdDialog(Log& log, Sockets& sockets, Connection& connection);
    ~SecurIdDialog() override;
    SecurIdDialog(const SecurIdDialog&) = delete;
    SecurIdDialog& operator=(const SecurIdDialog&) = delete;

    void OnInitDialog(Window& window) override;
    bool OnCommand(int id) override;
    void OnDestroy() override { m_window = nullptr; }

    // One read of at most 255 bytes into the message buffer, after waiting up to `seconds` for it
    // (0: no wait). The count read, which must be the length byte + 1, or -1.
    int ReceiveMessage(std::uint32_t seconds);
    // Sends the answer box's text as one message; what the send returned: bytes sent, or -1.
    int SendAnswer();
    // Frames `wireText` (already in the wire's code page) into the buffer and sends it.
    int SendText(std::string_view wireText);

    // The text of the last message received, as UTF-8.
    std::string Prompt() const;

private:
    void OnOK();

    Log& m_log;
    Sockets& m_sockets;
    Connection& m_connection;
    Window* m_window = nullptr;
    // Byte 0 the length, bytes 1 to 254 the text, and room for the zero after the longest text.
    std::array<std::uint8_t, 256> m_buffer{};
};

}  // namespace zelta
