// Expectations about remote access as Windows' own callers see it: how many dials the server met,
// and the RASDIALDLG record after the library's dial dialog.
#include "platform/text.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

// `expect dial-dialog [LABEL] error N` / `owner none|kept`: the RASDIALDLG after RasCustomDialDlg.
Action DialDialog(Args& a) {
    std::string label;
    if (!EqualsNoCase(a.Peek(), "error") && !EqualsNoCase(a.Peek(), "owner")) label = a.Next("a label");
    const bool error = a.Accept("error");
    if (!error) a.Require("owner");
    std::uint32_t code = 0;
    bool kept = false;
    if (error) {
        code = a.Unsigned("an error code");
    } else {
        kept = a.Accept("kept");
        if (!kept) a.Require("none");
    }
    a.RequireDone();
    return [=](Runner& r) {
        const std::string which = label.empty() ? r.lastInvoke : label;
        const auto it = r.dialDialogs.find(which);
        const std::string what = error ? "dwError " + std::to_string(code) : std::string("owner ") + (kept ? "kept" : "none");
        if (it == r.dialDialogs.end()) return r.Check(false, what, "no RasCustomDialDlg " + which);
        const RasDialDlgInfo& info = *it->second;
        if (error) return r.Check(info.dwError == code, what, "dwError " + std::to_string(info.dwError));
        r.Check(static_cast<bool>(info.hwndOwner) == kept, what, info.hwndOwner ? "owner kept" : "owner none");
    };
}

// `expect dial-attempts N`: how many dials reached the VPN server (RasDial calls that got a handle).
Action DialAttempts(Args& a) {
    const std::uint32_t n = a.Unsigned("a number of dial attempts");
    a.RequireDone();
    return [=](Runner& r) {
        const int attempts = r.host().machine().vpnServer.attempts;
        r.Check(attempts == static_cast<int>(n), std::to_string(n) + " dial attempts", std::to_string(attempts));
    };
}

}  // namespace

void AddRemoteExpectWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"dial-dialog", DialDialog}, {"dial-attempts", DialAttempts}});
}

}  // namespace zelta::campus
