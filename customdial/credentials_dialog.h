// CredentialsDialog: the library's own dial dialog (template 101): user name and password for the
// "Zelta VPN" entry, pre-filled with the stored user name. It edits the credentials block the dial
// dialog entry point hands it, and ends with 1 after OK and 0 after Cancel.
#pragma once

#include "platform/custom_dial.h"
#include "platform/remote_access.h"
#include "platform/ui.h"

namespace zelta {

// What the dialog works on: a copy of the caller's dial-dialog record, then the dial parameters
// whose user name and password it edits.
struct CredentialsBlock {
    RasDialDlgInfo dialog;
    RasDialParams params;
};

inline constexpr std::size_t kCredentialCapacity = 256;  // characters of a user name or password

class CredentialsDialog final : public DialogController {
public:
    // `block` may be null: the dialog then shows empty boxes and writes nothing.
    CredentialsDialog(DialogHost& host, CredentialsBlock* block) : m_host(host), m_block(block) {}

    void OnInitDialog(Window& window) override;
    bool OnCommand(int id) override;
    bool OnClose() override;
    void OnDestroy() override { m_window = nullptr; }

private:
    DialogHost& m_host;
    CredentialsBlock* m_block;
    Window* m_window = nullptr;
};

// The first `characters` characters (UTF-16 units, as the wide edit box counts them) of UTF-8 text.
std::string FirstCharacters(std::string_view text, std::size_t characters);

}  // namespace zelta
