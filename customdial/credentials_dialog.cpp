// CredentialsDialog: the boxes, the position, and OK and Cancel.
#include "customdial/credentials_dialog.h"

#include "customdial/resource.h"
#include "platform/secret.h"
#include "platform/text.h"

namespace zelta {

std::string FirstCharacters(std::string_view text, std::size_t characters) {
    std::u16string wide = Utf8ToUtf16(text);
    if (wide.size() <= characters) {
        SecureZero(wide.data(), wide.size() * sizeof(char16_t));
        return std::string(text);
    }
    std::string cut = Utf16ToUtf8(std::u16string_view(wide).substr(0, characters));
    SecureZero(wide.data(), wide.size() * sizeof(char16_t));
    return cut;
}

void CredentialsDialog::OnInitDialog(Window& window) {
    m_window = &window;
    if (!m_block) return;
    window.LimitText(IDC_CREDENTIALS_USER_NAME, kCredentialCapacity);
    window.SetControlText(IDC_CREDENTIALS_USER_NAME, m_block->params.szUserName);

    const RasDialDlgInfo& caller = m_block->dialog;
    int x = caller.xDlg;
    int y = caller.yDlg;
    if (!(caller.dwFlags & kRasDialDlgPosition)) {
        // Centred over the owner, or over the screen when there is none; C's division truncates
        // toward zero, as the integer arithmetic of the original placement did.
        const ScreenRect r = m_host.WindowBounds(caller.hwndOwner);
        const ScreenRect d = window.Bounds();
        x = (r.left + r.right) / 2 - (d.right - d.left) / 2;
        y = (r.top + r.bottom) / 2 - (d.bottom - d.top) / 2;
    }
    window.MoveTo(x, y);
    // The dialog manager then focuses the first tab stop, the user name box.
}

bool CredentialsDialog::OnCommand(int id) {
    if (id == dialog_result::kOk) {
        if (m_block) {
            m_block->params.szUserName = FirstCharacters(m_window->ControlText(IDC_CREDENTIALS_USER_NAME), kCredentialCapacity);
            m_window->ControlSecret(IDC_CREDENTIALS_PASSWORD, kCredentialCapacity, m_block->params.szPassword);
        }
        m_window->EndDialog(1);
        return true;
    }
    if (id == dialog_result::kCancel) {
        m_window->EndDialog(0);
        return true;
    }
    return false;
}

bool CredentialsDialog::OnClose() {
    m_window->EndDialog(0);
    return true;
}

}  // namespace zelta
