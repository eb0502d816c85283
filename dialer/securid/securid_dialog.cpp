// SecurIdDialog: shows each prompt, sends each answer and waits for the server's verdict. Whatever
// arrives on the connection is untrusted: one read, never more than the buffer, and a length byte
// that must match what was read.
#include "dialer/securid/securid_dialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dialer/resource.h"
#include "platform/secret.h"

namespace zelta {
namespace {

constexpr std::size_t kReadCapacity = 255;
constexpr std::uint32_t kVerdictWaitSeconds = 15;

}  // namespace

SecurIdDialog::SecurIdDialog(Log& log, Sockets& sockets, Connection& connection)
    : m_log(log), m_sockets(sockets), m_connection(connection) {
    m_buffer[0] = 0;
}

SecurIdDialog::~SecurIdDialog() { SecureZero(m_buffer.data(), m_buffer.size()); }

void SecurIdDialog::OnInitDialog(Window& window) {
    m_window = &window;
    window.SetControlText(IDC_SECURID_PROMPT, Prompt());
    // The dialog manager then puts the focus on the first tab stop, the OK button.
}

bool SecurIdDialog::OnCommand(int id) {
    if (id != dialog_result::kOk) return false;  // Cancel, the close box and Escape end it as cancelled
    OnOK();
    return true;
}

void SecurIdDialog::OnOK() {
    if (SendAnswer() <= 0) {
        m_window->EndDialog(dialog_result::kCancel);
        return;
    }
    const int received = ReceiveMessage(kVerdictWaitSeconds);
    if (received == 1) {
        m_window->EndDialog(dialog_result::kOk);  // a lone length byte of 0: accepted
    } else if (received < 0) {
        m_window->EndDialog(dialog_result::kCancel);
    } else {
        m_window->SetControlText(IDC_SECURID_PROMPT, Prompt());
        m_window->WipeControlText(IDC_SECURID_ANSWER);
    }
}

int SecurIdDialog::ReceiveMessage(std::uint32_t seconds) {
    if (seconds != 0 && m_connection.WaitReadable(seconds) != err::kSuccess) {
        m_log.LogMessage(log_level::kMain, "SecurID challenge failed, select timed out");
        return -1;
    }
    std::vector<std::uint8_t> bytes;
    if (m_connection.Receive(kReadCapacity, bytes) != err::kSuccess || bytes.empty()) return -1;
    const std::size_t count = std::min(bytes.size(), kReadCapacity);
    std::memcpy(m_buffer.data(), bytes.data(), count);
    m_buffer[255] = 0;
    if (count != static_cast<std::size_t>(m_buffer[0]) + 1) return -1;
    m_buffer[count] = 0;
    return static_cast<int>(count);
}

int SecurIdDialog::SendAnswer() {
    // Read no further than the wire takes; a character is at most two bytes in any ANSI code page.
    SecretBuffer typed(kSecurIdMaxText * 3);
    if (m_window) m_window->ControlSecret(IDC_SECURID_ANSWER, kSecurIdMaxText, typed);
    SecretBuffer wire(kSecurIdMaxText * 2);
    m_sockets.ToWireSecret(typed, wire);
    return SendText(wire.View());
}

int SecurIdDialog::SendText(std::string_view wireText) {
    if (wireText.empty()) {
        m_buffer[1] = 0;  // an empty answer still carries one byte
        m_buffer[0] = 1;
    } else {
        const std::size_t length = std::min(wireText.size(), kSecurIdMaxText);
        std::memcpy(m_buffer.data() + 1, wireText.data(), length);
        m_buffer[0] = static_cast<std::uint8_t>(length);
    }
    std::size_t sent = 0;
    const std::size_t size = static_cast<std::size_t>(m_buffer[0]) + 1;
    const Win32Error error = m_connection.Send(std::span(m_buffer.data(), size), sent);
    SecureZero(m_buffer.data() + 1, size - 1);  // the PIN does not stay in the buffer
    return error != err::kSuccess ? -1 : static_cast<int>(sent);
}

std::string SecurIdDialog::Prompt() const {
    const auto begin = m_buffer.begin() + 1;
    const auto end = std::find(begin, m_buffer.end(), std::uint8_t{0});  // byte 255 is always zero
    return m_sockets.FromWireText(std::string(begin, end));
}

}  // namespace zelta
