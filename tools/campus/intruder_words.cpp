// Other programs on the machine that try the dialer: writes into its shared section, forged window
// messages, reads of its controls, planted windows, a mutex taken first; and what the machine's
// owner checks see (a hard link, a file's permissions).
#include <cstdio>

#include "platform/sim/accounts.h"
#include "platform/sim/instance.h"
#include "tools/campus/runner.h"
#include "tools/campus/ui_words.h"
#include "tools/campus/who.h"

namespace zelta::campus {
namespace {

constexpr const char* kDialerImage = "dial.exe";

// `shared+OFFSET`: an offset into the dialer's shared section; nothing when the word is not one.
std::optional<std::size_t> SharedOffset(Args& a, const std::string& word) {
    if (word.size() <= 7 || !EqualsNoCase(std::string_view(word).substr(0, 7), "shared+")) return std::nullopt;
    const auto offset = ParseNumber(std::string_view(word).substr(7));
    if (!offset || *offset < 0 || static_cast<std::uint64_t>(*offset) >= sim::SharedSection::kSize)
        a.Fail("expected shared+OFFSET within the section's " + std::to_string(sim::SharedSection::kSize) +
               " bytes, found '" + word + "'");
    return static_cast<std::size_t>(*offset);
}

sim::SimWindow& TheDialerWindow(Runner& r) {
    sim::SimWindow* window = DialerWindow(r);
    if (!window) throw ScenarioError(r.current().Where() + ": the dialer's window is not open");
    return *window;
}

// Another program of the machine: its name, and whose it is.
struct Intruder {
    std::string name;
    Who owner;
};

// `program NAME [as ACCOUNT] [session N] writes shared+OFFSET bytes BYTES...`
Action WritesShared(Args& a, const Intruder& program) {
    const std::string where = a.Next("shared+OFFSET");
    const auto offset = SharedOffset(a, where);
    if (!offset) a.Fail("expected shared+OFFSET, found '" + where + "'");
    a.Require("bytes");
    const auto bytes = a.Bytes();
    if (bytes.empty() || *offset + bytes.size() > sim::SharedSection::kSize)
        a.Fail("expected bytes that fit in the section from offset " + std::to_string(*offset));
    return [=](Runner& r) {
        auto& section = r.host().machine().sharedSections[kDialerImage].bytes;
        std::copy(bytes.begin(), bytes.end(), section.begin() + static_cast<std::ptrdiff_t>(*offset));
        r.Print("intruder", program.name + " as " + program.owner.account + " writes " + sim::HexBytes(bytes.data(), bytes.size()) +
                                " at shared+" + std::to_string(*offset));
    };
}

// `... sends WM_INITDIALOG to the window lparam ADDRESS|shared+OFFSET`
Action SendsInitDialog(Args& a, const Intruder& program) {
    a.Require("to");
    a.Require("the");
    a.Require("window");
    a.Require("lparam");
    const std::string word = a.Next("an address or shared+OFFSET");
    a.RequireDone();
    const auto offset = SharedOffset(a, word);
    std::uint64_t address = 0;
    if (!offset) {
        const auto number = ParseNumber(word);
        if (!number || *number < 0) a.Fail("expected an address or shared+OFFSET, found '" + word + "'");
        address = static_cast<std::uint64_t>(*number);
    }
    return [=](Runner& r) {
        char shown[64];
        if (offset) {
            std::snprintf(shown, sizeof shown, "shared+%zu", *offset);
        } else {
            std::snprintf(shown, sizeof shown, "0x%llx", static_cast<unsigned long long>(address));
        }
        const std::string lParam = shown;
        const std::string from = program.name;
        Act(r, TheDialerWindow(r), [from, lParam](sim::SimWindow& w) { w.ForeignInitDialog(from, lParam); });
    };
}

// `... plants its window in the shared section`: a dialog of its own, its handle where the dialer
// keeps its window's.
Action PlantsWindow(Args& a, const Intruder& program) {
    for (const char* word : {"its", "window", "in", "the", "shared", "section"}) a.Require(word);
    a.RequireDone();
    return [=](Runner& r) {
        sim::Desktop& desktop = r.host().desktop();
        const std::uint32_t handle = desktop.nextHandle++;
        sim::ForeignWindow window;
        window.label = program.name;
        window.owner = WindowOwner{true, "C:\\Users\\" + program.owner.account + "\\" + program.name, false, false};
        window.account = program.owner.account;
        window.session = program.owner.session;
        desktop.foreignWindows[handle] = std::move(window);
        r.host().machine().sharedSections[kDialerImage].SetWindow(WindowHandle{handle});
        char text[96];
        std::snprintf(text, sizeof text, " plants its window 0x%x in the shared section", handle);
        r.Print("intruder", program.name + text);
    };
}

// `... reads|unmasks|copies control CONTROL`: what it gets is kept for `expect program NAME read`.
Action AsksControl(Args& a, const Intruder& program, sim::SimWindow::ForeignAsk ask) {
    a.Require("control");
    const std::string control = a.Next("a control");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimWindow& window = TopWindow(r);
        const int id = ControlId(r, window, control);
        std::string answer;
        Act(r, window, [&answer, id, ask, program](sim::SimWindow& w) { answer = w.AnswerForeign(id, ask, program.name); });
        r.foreignReads[program.name] = answer;
        r.Print("intruder", program.name + " got " + ShowText(answer) + " from " + control);
    };
}

// `... posts RasDialEvent STATE to the window`
Action PostsDialEvent(Args& a, const Intruder& program) {
    a.Require("RasDialEvent");
    const std::uint32_t state = a.Unsigned("a connection state");
    for (const char* word : {"to", "the", "window"}) a.Require(word);
    a.RequireDone();
    return [=](Runner& r) {
        const auto& registered = r.host().desktop().registeredMessages;
        const auto message = registered.find("RasDialEvent");
        if (message == registered.end())
            throw ScenarioError(r.current().Where() + ": no program registered \"RasDialEvent\" yet");
        const std::uint32_t id = message->second;
        r.Print("intruder", program.name + " posts RasDialEvent " + std::to_string(state));
        Act(r, TheDialerWindow(r), [id, state](sim::SimWindow& w) { w.controller().OnRegisteredMessage(id, state, 0); });
    };
}

// `program NAME [as ACCOUNT] [session N] ...`: another program of the machine, a user's by default.
Action Program(Args& a) {
    const std::string name = a.Next("a program name");
    const Intruder program{name, TakeWho(a, "Mallory", {.named = false})};
    if (a.Accept("writes")) return WritesShared(a, program);
    if (a.Accept("sends")) {
        a.Require("WM_INITDIALOG");
        return SendsInitDialog(a, program);
    }
    if (a.Accept("plants")) return PlantsWindow(a, program);
    if (a.Accept("reads")) return AsksControl(a, program, sim::SimWindow::ForeignAsk::Read);
    if (a.Accept("unmasks")) return AsksControl(a, program, sim::SimWindow::ForeignAsk::Unmask);
    if (a.Accept("copies")) return AsksControl(a, program, sim::SimWindow::ForeignAsk::Copy);
    if (a.Accept("posts")) return PostsDialEvent(a, program);
    a.Fail("expected writes, sends, plants, reads, unmasks, copies or posts, found '" + a.Peek() + "'");
}

// `mutex NAME created by ACCOUNT [session N]`: somebody holds the name before the dialer starts.
Action MutexCreated(Args& a) {
    const std::string name = a.Next("a mutex name");
    a.Require("created");
    a.Require("by");
    const std::string account = a.Next("an account");
    std::uint32_t session = 0;
    if (a.Accept("session")) session = a.Unsigned("a session number");
    a.RequireDone();
    return [=](Runner& r) {
        r.host().machine().mutexHolders[sim::SimInstance::MutexKey(name, session)] = sim::MutexHolder{0, account};
        r.Print("intruder", account + " creates the mutex " + name);
    };
}

// `hard-link PATH to TARGET`: a second name for an existing file.
Action HardLink(Args& a) {
    const std::string path = a.Next("a path");
    a.Require("to");
    const std::string target = a.Next("the file it names");
    a.RequireDone();
    return [=](Runner& r) {
        if (!r.host().files().Exists(target))
            throw ScenarioError(r.current().Where() + ": " + target + " does not exist; a hard link needs a file");
        r.host().files().AddHardLink(path, target);
        r.Print("file", path + " is a hard link to " + target);
    };
}

// `permissions PATH owner ACCOUNT [writable-by ACCOUNT[,ACCOUNT...]]`: who can change a file or folder.
Action Permissions(Args& a) {
    const std::string path = a.Next("a path");
    a.Require("owner");
    const std::string owner = a.Next("an account");
    std::vector<std::string> writers;
    if (a.Accept("writable-by")) {
        const std::string list = a.Next("accounts, separated by commas");
        for (std::size_t start = 0; start <= list.size();) {
            const auto comma = std::min(list.find(',', start), list.size());
            if (comma == start) a.Fail("expected an account between the commas of '" + list + "'");
            writers.push_back(list.substr(start, comma - start));
            start = comma + 1;
        }
    }
    a.RequireDone();
    return [=](Runner& r) {
        FileGuard guard{sim::OwnerFor(owner), {}};
        for (const std::string& writer : writers) guard.writers.push_back(sim::OwnerFor(writer));
        std::string resolved = r.host().files().Resolve(path);
        while (resolved.size() > 3 && resolved.back() == '\\') resolved.pop_back();
        r.host().files().Guards()[resolved] = std::move(guard);
    };
}

// --- what came of it ---

// `expect program NAME window untouched` | `expect program NAME read lacks TEXT`
Action ProgramExpectation(Args& a) {
    const std::string name = a.Next("a program name");
    if (a.Accept("window")) {
        a.Require("untouched");
        a.RequireDone();
        return [=](Runner& r) {
            for (const auto& [handle, window] : r.host().desktop().foreignWindows) {
                if (!EqualsNoCase(window.label, name)) continue;
                r.Check(window.touches.empty(), "program " + name + "'s window untouched", ShowLines(window.touches));
                return;
            }
            throw ScenarioError(r.current().Where() + ": program " + name + " has no window");
        };
    }
    a.Require("read");
    a.Require("lacks");
    const std::string text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        const auto it = r.foreignReads.find(name);
        if (it == r.foreignReads.end()) throw ScenarioError(r.current().Where() + ": program " + name + " read nothing yet");
        r.Check(it->second.find(text) == std::string::npos, "program " + name + "'s read without " + ShowText(text),
                ShowText(it->second));
    };
}

}  // namespace

void AddIntruderWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"program", Program},
                               {"mutex", MutexCreated},
                               {"hard-link", HardLink},
                               {"permissions", Permissions}});
}

void AddIntruderExpectWords(std::vector<Word>& words) { words.push_back({"program", ProgramExpectation}); }

}  // namespace zelta::campus
