// AboutDialog: shows "COPYRIGHT" as its notice line when the setting has one.
#include "dialer/about_dialog.h"

#include "dialer/resource.h"

namespace zelta {

void AboutDialog::OnInitDialog(Window& window) {
    if (!m_process.g_strNotice.empty()) window.SetControlText(IDC_ABOUT_NOTICE, m_process.g_strNotice);
}

}  // namespace zelta
