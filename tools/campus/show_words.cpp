// `show`: what is there now, printed into the transcript, for an author writing a scenario's
// expectations.
#include "dialer/resource.h"
#include "platform/sim/code_page.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"
#include "tools/campus/ui_words.h"

namespace zelta::campus {
namespace {

void PrintLines(Runner& r, const std::string& kind, const std::string& text) {
    std::size_t start = text.starts_with('\n') ? 1 : 0;  // a list's own first line break
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        r.Print(kind, line);
        start = end + 1;
    }
    if (text.empty()) r.Print(kind, "(nothing)");
}

Action Show(Args& a) {
    const std::string what = a.Next("log, status, routes or entry");
    std::string entry = "Zelta VPN";
    if (EqualsNoCase(what, "entry") && !a.Done()) entry = a.Next("an entry name");
    a.RequireDone();
    if (!EqualsNoCase(what, "log") && !EqualsNoCase(what, "status") && !EqualsNoCase(what, "routes") &&
        !EqualsNoCase(what, "entry"))
        a.Fail("expected log, status, routes or entry, found '" + what + "'");
    return [=](Runner& r) {
        if (EqualsNoCase(what, "log")) {
            const auto bytes = r.host().files().Text(LogPath(r));
            PrintLines(r, "show log", bytes ? sim::AnsiToUtf8(r.host().machine().ansiCodePage, *bytes) : "(no log file)");
        } else if (EqualsNoCase(what, "status")) {
            sim::SimWindow* window = DialerWindow(r);
            PrintLines(r, "show status", window ? window->ControlText(IDC_STATUS) : "(no dialer window)");
        } else if (EqualsNoCase(what, "routes")) {
            PrintLines(r, "show routes", ShowRoutes(r));
        } else {
            const auto& entries = r.host().phonebook().entries;
            const auto it = entries.find(entry);
            if (it == entries.end()) {
                r.Print("show entry", "\"" + entry + "\" absent");
                return;
            }
            for (const std::string& field : EntryFieldNames())
                r.Print("show entry", field + " " + EntryField(it->second, field));
        }
    };
}

}  // namespace

void AddShowWords(std::vector<Word>& words) { words.push_back({"show", Show}); }

}  // namespace zelta::campus
