// AboutDialog: the About box (template 100), with the notice line from the settings.
#pragma once

#include "dialer/dialer_process.h"
#include "platform/ui.h"

namespace zelta {

class AboutDialog final : public DialogController {
public:
    explicit AboutDialog(DialerProcess& process) : m_process(process) {}
    void OnInitDialog(Window& window) override;
    bool OnCommand(int) override { return false; }

private:
    DialerProcess& m_process;
};

}  // namespace zelta
