// Expectations: what the scenario checks, each failure saying what it saw instead.
#include <cstdio>

#include "common/dialer_settings.h"
#include "common/shared_names.h"
#include "platform/sim/code_page.h"
#include "platform/sim/programs.h"
#include "platform/text.h"
#include "routing/switch_discovery.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"
#include "tools/campus/ui_words.h"

namespace zelta::campus {
namespace {

constexpr RegistryRoot kHklm = RegistryRoot::LocalMachine;

// Text the way a text-mode file holds it: every "\n" becomes "\r\n".
std::string AsFileText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A text file as a reader on the machine sees it: its bytes are in the ANSI code page.
std::optional<std::string> ReadText(Runner& r, const std::string& path) {
    const auto bytes = r.host().files().Text(path);
    if (!bytes) return std::nullopt;
    return sim::AnsiToUtf8(r.host().machine().ansiCodePage, *bytes);
}

}  // namespace

// The dialer's log: "vpn.log" in the directory of the "ZeltaVPNPath" setting.
std::string LogPath(Runner& r) {
    std::string installPath;
    if (const auto value = r.host().registry().Value(kHklm, kSettingsKey, "ZeltaVPNPath"))
        installPath = DecodeRegString(value->data);
    const auto slash = installPath.rfind('\\');
    return (slash == std::string::npos ? installPath : installPath.substr(0, slash)) + "\\vpn.log";
}

namespace {

std::string Tail(const std::string& text) {
    return text.size() > 200 ? "..." + ShowText(text.substr(text.size() - 200)) : ShowText(text);
}

// `contains TEXT` / `lacks TEXT` over some text.
Action Containment(Args& a, std::string what, std::function<std::optional<std::string>(Runner&)> read) {
    const bool contains = a.Accept("contains");
    if (!contains) a.Require("lacks");
    const std::string text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        const auto content = read(r);
        const bool found = content && (content->find(text) != std::string::npos ||
                                       content->find(AsFileText(text)) != std::string::npos);
        r.Check(found == contains, what + (contains ? " contains " : " lacks ") + ShowText(text),
                content ? Tail(*content) : std::string("no such file"));
    };
}

Action Log(Args& a) {
    if (a.Accept("record")) {
        const std::string text = AsFileText(a.Next("a record's message"));
        a.RequireDone();
        return [=](Runner& r) {
            const auto file = ReadText(r, LogPath(r));
            const std::string log = file.value_or("");
            bool found = false;
            // A record starts a line: its stamp, ": ", then the message as the caller wrote it.
            for (std::size_t start = 0; start < log.size() && !found;) {
                const std::size_t colon = log.find(": ", start);
                const std::size_t eol = log.find("\r\n", start);
                if (colon != std::string::npos && (eol == std::string::npos || colon < eol))
                    found = log.compare(colon + 2, text.size(), text) == 0;
                if (eol == std::string::npos) break;
                start = eol + 2;
            }
            r.Check(found, "a log record " + ShowText(text), file ? Tail(log) : "no log file " + LogPath(r));
        };
    }
    if (a.Accept("records")) {
        // `expect log records N TEXT`: how many records (lines) contain TEXT.
        const std::uint32_t n = a.Unsigned("a count");
        const std::string text = AsFileText(a.Next("a text"));
        a.RequireDone();
        return [=](Runner& r) {
            const std::string log = ReadText(r, LogPath(r)).value_or("");
            std::uint32_t count = 0;
            for (std::size_t start = 0; start < log.size();) {
                const std::size_t eol = std::min(log.find("\r\n", start), log.size());
                if (std::string_view(log).substr(start, eol - start).find(text) != std::string_view::npos) ++count;
                start = eol + 2;
            }
            r.Check(count == n, std::to_string(n) + " log records containing " + ShowText(text), std::to_string(count));
        };
    }
    return Containment(a, "the log", [](Runner& r) { return ReadText(r, LogPath(r)); });
}

Action File(Args& a) {
    const std::string path = a.Next("a file path");
    if (a.Accept("absent") || a.Accept("exists")) {
        const bool wantAbsent = EqualsNoCase(a.line().words[a.line().words.size() - 1], "absent");
        a.RequireDone();
        return [=](Runner& r) {
            const bool exists = r.host().files().Exists(path);
            r.Check(exists != wantAbsent, path + (wantAbsent ? " absent" : " exists"), exists ? "it exists" : "no file");
        };
    }
    if (a.Accept("size")) {
        const std::uint32_t size = a.Unsigned("a size in bytes");
        a.RequireDone();
        return [=](Runner& r) {
            const auto bytes = r.host().files().Contents(path);
            r.Check(bytes && bytes->size() == size, path + " of " + std::to_string(size) + " bytes",
                    bytes ? std::to_string(bytes->size()) + " bytes" : "no file");
        };
    }
    return Containment(a, path, [path](Runner& r) { return ReadText(r, path); });
}

Action RegistryValueExpectation(Args& a, RegistryRoot root, std::string key) {
    const std::string name = a.Next("a value name, 'absent', 'exists' or 'empty'");
    if (EqualsNoCase(name, "absent") && a.Done()) {
        return [=](Runner& r) {
            r.Check(r.host().registry().Find(root, key) == nullptr, "key " + key + " absent", "the key exists");
        };
    }
    if ((EqualsNoCase(name, "exists") || EqualsNoCase(name, "empty")) && a.Done()) {
        // The key is there; `empty`: with no values at all (its default value included).
        const bool empty = EqualsNoCase(name, "empty");
        return [=](Runner& r) {
            const auto node = r.host().registry().Find(root, key);
            const std::string seen = !node ? "no such key"
                                     : node->values.empty() ? "the key, without values"
                                                            : "the key, with " + std::to_string(node->values.size()) + " values";
            r.Check(node && (!empty || node->values.empty()), "key " + key + (empty ? " without values" : " exists"), seen);
        };
    }
    if (a.Accept("absent")) {
        a.RequireDone();
        return [=](Runner& r) {
            const auto value = r.host().registry().Value(root, key, name);
            r.Check(!value, name + " absent", value ? sim::DescribeValue(*value) : "");
        };
    }
    const RegValue expected = a.Value();
    a.RequireDone();
    return [=](Runner& r) {
        const auto value = r.host().registry().Value(root, key, name);
        r.Check(value && value->type == expected.type && value->data == expected.data,
                name + " " + sim::DescribeValue(expected), value ? sim::DescribeValue(*value) : "no such value");
    };
}

Action Registry(Args& a) {
    const auto [root, key] = a.Key();
    return RegistryValueExpectation(a, root, key);
}

Action Setting(Args& a) { return RegistryValueExpectation(a, kHklm, std::string(kSettingsKey)); }

std::vector<std::string> CommandLines(Runner& r) {
    std::vector<std::string> lines;
    for (const auto& run : r.host().commands()) lines.push_back(run.commandLine);
    return lines;
}

// `expect program-file PATH`: some command line ran that program file (`no`: none did).
Action ProgramFile(Args& a, bool wanted) {
    const std::string path = a.Next("a program file");
    a.RequireDone();
    return [=](Runner& r) {
        std::vector<std::string> files;
        for (const auto& run : r.host().commands())
            if (!run.file.empty()) files.push_back(run.file);
        const bool ran = std::any_of(files.begin(), files.end(), [&](const auto& f) { return EqualsNoCase(f, path); });
        r.Check(ran == wanted, (wanted ? "a command run from " : "no command run from ") + path, ShowLines(files));
    };
}

Action Command(Args& a) {
    if (!a.Done() && ParseNumber(a.line().words[2])) {
        const std::uint32_t n = a.Unsigned("a position");
        const std::string text = a.Next("a command line");
        a.RequireDone();
        return [=](Runner& r) {
            const auto lines = CommandLines(r);
            r.Check(n >= 1 && n <= lines.size() && lines[n - 1] == text,
                    "command " + std::to_string(n) + " " + ShowText(text),
                    n >= 1 && n <= lines.size() ? ShowText(lines[n - 1]) : ShowLines(lines));
        };
    }
    const std::string text = a.Next("a command line");
    std::string window;  // `window hidden|default`: how the program was asked to show its window
    if (a.Accept("window")) {
        window = a.Next("hidden or default");
        if (!EqualsNoCase(window, "hidden") && !EqualsNoCase(window, "default")) a.Fail("expected hidden or default");
    }
    a.RequireDone();
    return [=](Runner& r) {
        const auto lines = CommandLines(r);
        if (window.empty())
            return r.Check(std::find(lines.begin(), lines.end(), text) != lines.end(), "command " + ShowText(text), ShowLines(lines));
        std::string seen = "no such command";
        bool held = false;
        for (const auto& run : r.host().commands()) {
            if (run.commandLine != text) continue;
            seen = "window " + run.window;
            held = held || EqualsNoCase(run.window, window);
        }
        r.Check(held, "command " + ShowText(text) + " with its window " + window, seen);
    };
}

Action Commands(Args& a) {
    const std::uint32_t n = a.Unsigned("a count");
    a.RequireDone();
    return [=](Runner& r) {
        const auto lines = CommandLines(r);
        r.Check(lines.size() == n, std::to_string(n) + " command lines", ShowLines(lines));
    };
}

bool RouteMatches(const sim::RouteRow& row, Ipv4 dest, Ipv4 mask, std::optional<Ipv4> via, std::optional<std::uint32_t> ifIndex,
                  std::optional<std::uint32_t> metric) {
    return row.dest == dest && row.mask == mask && (!via || row.nextHop == *via) && (!ifIndex || row.ifIndex == *ifIndex) &&
           (!metric || row.metric == *metric);
}

}  // namespace

std::string ShowRoutes(Runner& r) {
    std::vector<std::string> lines;
    for (const auto& row : r.host().routes())
        lines.push_back(row.dest.ToString() + "/" + row.mask.ToString() + " via " + row.nextHop.ToString() + " if " +
                        std::to_string(row.ifIndex) + " metric " + std::to_string(row.metric));
    return ShowLines(lines);
}

namespace {

Action Route(Args& a, bool wanted) {
    const auto [dest, mask] = a.AddressMask();
    std::optional<Ipv4> via;
    std::optional<std::uint32_t> ifIndex, metric;
    if (a.Accept("via")) via = a.Address("a gateway");
    if (wanted && a.Accept("if")) ifIndex = a.Unsigned("an interface index");
    if (wanted && a.Accept("metric")) metric = a.Unsigned("a metric");
    a.RequireDone();
    const std::string described = std::string(wanted ? "a route " : "no route ") + a.line().words[wanted ? 2 : 3] +
                                  (via ? " via " + via->ToString() : "");
    return [=, dest = dest, mask = mask](Runner& r) {
        const auto& routes = r.host().routes();
        const bool found = std::any_of(routes.begin(), routes.end(),
                                       [&](const auto& row) { return RouteMatches(row, dest, mask, via, ifIndex, metric); });
        r.Check(found == wanted, described, ShowRoutes(r));
    };
}

Action IpsecPolicyExpectation(Args& a, bool wanted) {
    const std::string name = a.Next("a policy name");
    if (!wanted) {
        a.RequireDone();
        return [=](Runner& r) {
            const bool present = r.host().machine().ipsecPolicies.contains(name);
            r.Check(!present, "no IPsec policy " + name, present ? "the policy is there" : "");
        };
    }
    const bool assigned = a.Accept("assigned");
    std::string field, text;
    if (!a.Done()) {
        field = a.Next("a field");
        text = a.Next("a text");
        a.RequireDone();
        static const char* const kFields[] = {"rule", "filter", "negotiation", "ike-lifetime", "ike-security", "authentication"};
        if (std::none_of(std::begin(kFields), std::end(kFields), [&](const char* f) { return EqualsNoCase(f, field); }))
            a.Fail("unknown policy field '" + field + "'");
    }
    return [=](Runner& r) {
        const auto& policies = r.host().machine().ipsecPolicies;
        const auto it = policies.find(name);
        if (it == policies.end()) return r.Check(false, "IPsec policy " + name, "no such policy");
        const sim::IpsecPolicy& p = it->second;
        if (assigned && !p.assigned) return r.Check(false, "IPsec policy " + name + " assigned", "not assigned");
        if (field.empty()) return r.Check(true, "IPsec policy " + name, "");
        const std::string actual = EqualsNoCase(field, "rule")           ? p.rule
                                   : EqualsNoCase(field, "filter")       ? p.filter
                                   : EqualsNoCase(field, "negotiation")  ? p.negotiation
                                   : EqualsNoCase(field, "ike-lifetime") ? p.ikeLifetime
                                   : EqualsNoCase(field, "ike-security") ? p.ikeSecurity
                                                                         : p.authentication;
        r.Check(actual == text, "IPsec policy " + name + " " + field + " " + ShowText(text), ShowText(actual));
    };
}

// What the helper service's pipe received, from a scripted server and from the real service.
std::vector<std::vector<std::uint8_t>> HelperRequests(Runner& r) {
    const std::string pipe(kServicePipeName);
    const sim::PipeServer* server = r.host().FindPipeServer(pipe);
    std::vector<std::vector<std::uint8_t>> requests = server ? server->received : std::vector<std::vector<std::uint8_t>>{};
    const auto& served = r.host().machine().servedRequests;
    if (const auto it = served.find(pipe); it != served.end()) requests.insert(requests.end(), it->second.begin(), it->second.end());
    return requests;
}

std::string ShowRequests(const std::vector<std::vector<std::uint8_t>>& requests) {
    std::vector<std::string> lines;
    for (const auto& request : requests) lines.push_back(sim::HexBytes(request.data(), request.size()));
    return ShowLines(lines);
}

Action PipeRequest(Args& a) {
    std::optional<std::uint32_t> n;
    if (a.line().words.size() > 3 && a.line().words[2].size() != 2) n = a.Unsigned("a position");
    const auto bytes = a.Bytes();
    if (bytes.empty()) a.Fail("expected the request's bytes");
    return [=](Runner& r) {
        const auto requests = HelperRequests(r);
        const bool found = n ? (*n >= 1 && *n <= requests.size() && requests[*n - 1] == bytes)
                             : std::find(requests.begin(), requests.end(), bytes) != requests.end();
        r.Check(found, "pipe request " + sim::HexBytes(bytes.data(), bytes.size()), ShowRequests(requests));
    };
}

Action PipeRequests(Args& a) {
    const std::uint32_t n = a.Unsigned("a count");
    a.RequireDone();
    return [=](Runner& r) {
        const auto requests = HelperRequests(r);
        r.Check(requests.size() == n, std::to_string(n) + " pipe requests", ShowRequests(requests));
    };
}

// The dialer's SecurID listener, and what the SecurID server received on its latest connection.
Action SecurIdExpectation(Args& a) {
    if (a.Accept("listener")) {
        const bool open = a.Accept("open");
        if (!open) a.Require("closed");
        a.RequireDone();
        return [=](Runner& r) {
            const bool listening = r.host().machine().listeners.contains(kSecurIdPort);
            r.Check(listening == open, std::string("port 2868 ") + (open ? "listening" : "closed"),
                    listening ? "listening" : "closed");
        };
    }
    a.Require("received");
    const bool nothing = a.Accept("nothing");
    const auto bytes = nothing ? std::vector<std::uint8_t>() : a.Bytes();
    if (!nothing && bytes.empty()) a.Fail("expected the bytes, or 'nothing'");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& link = r.host().machine().securIdPeer.last;
        const auto seen = link ? link->received : std::vector<std::uint8_t>();
        r.Check(seen == bytes, "the SecurID server to receive " + (nothing ? std::string("nothing") : sim::HexBytes(bytes.data(), bytes.size())),
                seen.empty() ? (link ? "nothing" : "no connection") : sim::HexBytes(seen.data(), seen.size()));
    };
}

// What the latest RasDial was given as its extensions.
Action RasDialExtensionsExpectation(Args& a) {
    const std::uint32_t size = a.Unsigned("a size in bytes");
    const std::uint32_t options = a.Unsigned("the options");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& seen = r.host().machine().vpnServer.lastExtensions;
        char want[64], saw[64] = "no RasDial";
        std::snprintf(want, sizeof want, "RasDial extensions of %u bytes, options 0x%08X", size, options);
        if (seen) std::snprintf(saw, sizeof saw, "%u bytes, options 0x%08X", seen->dwSize, seen->dwfOptions);
        r.Check(seen && seen->dwSize == size && seen->dwfOptions == options, want, saw);
    };
}

Action EntryExpectation(Args& a) {
    const std::string name = a.Next("an entry name");
    const std::string book = a.Option("phonebook", "a phonebook path");
    if (a.Accept("absent")) {
        a.RequireDone();
        return [=](Runner& r) {
            const bool present = r.host().machine().PhonebookAt(book).entries.contains(name);
            r.Check(!present, "no entry " + ShowText(name), present ? "the entry exists" : "");
        };
    }
    const std::string field = a.Next("a field name");
    if (!IsEntryField(field)) a.Fail("unknown entry field '" + field + "'");
    const std::string value = a.Next("a value");
    a.RequireDone();
    return [=](Runner& r) {
        const auto& entries = r.host().machine().PhonebookAt(book).entries;
        const auto it = entries.find(name);
        if (it == entries.end()) return r.Check(false, "entry " + ShowText(name) + " " + field + " " + value, "no such entry");
        r.Check(EntryFieldEquals(it->second, field, value), "entry " + ShowText(name) + " " + field + " " + value,
                EntryField(it->second, field));
    };
}

Action EntryWrites(Args& a) {
    const std::uint32_t n = a.Unsigned("a count");
    a.RequireDone();
    return [=](Runner& r) {
        const auto writes = r.host().phonebook().writes.size();
        r.Check(writes == n, std::to_string(n) + " phonebook writes", std::to_string(writes));
    };
}

Action ServiceExpectation(Args& a) {
    const std::string name = a.Next("a service name");
    const std::string stateWord = a.Next("a state, absent, or binary");
    if (EqualsNoCase(stateWord, "absent")) {
        a.RequireDone();
        return [=](Runner& r) {
            const sim::ServiceRecord* record = r.host().FindService(name);
            r.Check(!record, "no service " + name, record ? sim::ServiceStateName(record->state) : "");
        };
    }
    if (EqualsNoCase(stateWord, "binary")) {
        const std::string path = a.Next("a command line");
        a.RequireDone();
        return [=](Runner& r) {
            const sim::ServiceRecord* record = r.host().FindService(name);
            if (!record) return r.Check(false, "service " + name + " binary " + ShowText(path), "no such service");
            r.Check(record->binaryPath == path, "service " + name + " binary " + ShowText(path), ShowText(record->binaryPath));
        };
    }
    const auto state = ServiceStateNamed(stateWord);
    if (!state) a.Fail("unknown service state '" + stateWord + "'");
    std::optional<ServiceStartType> startType;
    if (a.Accept("start")) {
        const std::string word = a.Next("a start type");
        startType = StartTypeNamed(word);
        if (!startType) a.Fail("unknown start type '" + word + "'");
    }
    a.RequireDone();
    return [=](Runner& r) {
        const sim::ServiceRecord* record = r.host().FindService(name);
        if (!record) return r.Check(false, "service " + name + " " + stateWord, "no such service");
        const bool held = record->state == *state && (!startType || record->startType == *startType);
        r.Check(held, "service " + name + " " + stateWord,
                std::string(sim::ServiceStateName(record->state)) + " start " +
                    std::to_string(static_cast<std::uint32_t>(record->startType)));
    };
}

const sim::SimProcess* ProcessLabelled(Runner& r, const std::string& label) {
    const auto it = r.processes.find(label);
    return it != r.processes.end() ? it->second : r.host().FindProcess(label);
}

Action ProcessExpectation(Args& a) {
    const std::string label = a.Next("a program label");
    if (a.Accept("as")) {
        const std::string account = a.Next("an account");
        std::string desktop;
        std::optional<std::uint32_t> session;
        while (!a.Done()) {
            if (a.Accept("on")) {
                desktop = a.Next("a desktop");
            } else {
                a.Require("session");
                session = a.Unsigned("a session number");
            }
        }
        return [=](Runner& r) {
            const sim::SimProcess* p = ProcessLabelled(r, label);
            const std::string what = label + " as " + account + (desktop.empty() ? "" : " on " + desktop) +
                                     (session ? " in session " + std::to_string(*session) : "");
            if (!p) return r.Check(false, what, "no program of that label was started");
            const auto& f = p->facts();
            r.Check(EqualsNoCase(f.account, account) && (desktop.empty() || EqualsNoCase(f.desktop, desktop)) &&
                        (!session || f.session == *session),
                    what, f.account + " on " + f.desktop + " in session " + std::to_string(f.session));
        };
    }
    const bool ended = a.Accept("ended");
    if (!ended) a.Require("running");
    std::optional<std::int64_t> exitCode;
    if (ended && a.Accept("exit")) exitCode = a.Number("an exit code");
    a.RequireDone();
    return [=](Runner& r) {
        const sim::SimProcess* found = ProcessLabelled(r, label);
        if (!found) return r.Check(false, "program " + label, "no program of that label was started");
        const sim::SimProcess& p = *found;
        if (!ended) return r.Check(!p.HasEnded(), label + " running", "it has ended");
        r.Check(p.HasEnded() && (!exitCode || p.exitCode() == *exitCode),
                label + " ended" + (exitCode ? " with exit " + std::to_string(*exitCode) : ""),
                p.HasEnded() ? "exit " + std::to_string(p.exitCode()) : "still running");
    };
}

std::optional<int> SwitchPathNamed(std::string_view word) {
    const std::pair<const char*, SwitchPath> names[] = {
        {"NoRoute", NoRoute}, {"NotWireless", NotWireless}, {"SwitchNotFound", SwitchNotFound}, {"Ready", Ready}};
    for (const auto& [name, value] : names)
        if (EqualsNoCase(word, name)) return value;
    return std::nullopt;
}

Action Result(Args& a) {
    std::string label;
    if (a.line().words.size() == 4) label = a.Next("a label");
    const std::string word = a.Next("a result");
    a.RequireDone();
    std::optional<std::int64_t> expected = ParseNumber(word);
    if (!expected) {
        const auto path = SwitchPathNamed(word);
        if (!path) a.Fail("expected a number or a switch path name, found '" + word + "'");
        expected = *path;
    }
    return [=](Runner& r) {
        const std::string which = label.empty() ? r.lastInvoke : label;
        const auto it = r.results.find(which);
        if (it == r.results.end()) return r.Check(false, "a result of " + (which.empty() ? "an invoke" : which), "none");
        // 32 bits either way: an HRESULT may be written 0x8000FFFF or -2147418113.
        const bool same = static_cast<std::uint32_t>(it->second) == static_cast<std::uint32_t>(*expected);
        r.Check(same, "result " + word, std::to_string(it->second));
    };
}

// `expect debug contains|lacks TEXT`, `expect stdout contains|lacks TEXT`.
Action Output(Args& a, bool debugger) {
    return Containment(a, debugger ? "debugger output" : "standard output", [debugger](Runner& r) {
        const auto& lines = debugger ? r.host().machine().debugOutput : r.host().machine().standardOutput;
        std::string all;
        for (const auto& line : lines) all += line.text;
        return std::optional<std::string>(all);
    });
}

Action Mutex(Args& a) {
    const std::string name = a.Next("a mutex name");
    const bool held = a.Accept("held");
    if (!held) a.Require("free");
    a.RequireDone();
    return [=](Runner& r) {
        const bool isHeld = r.host().machine().mutexHolders.contains(name);
        r.Check(isHeld == held, "mutex " + name + (held ? " held" : " free"), isHeld ? "held" : "free");
    };
}

Action Time(Args& a) {
    const std::uint64_t time = a.Duration();
    a.RequireDone();
    return [=](Runner& r) {
        r.Check(r.host().Now() == time, "time " + std::to_string(time) + "ms", std::to_string(r.host().Now()) + "ms");
    };
}

Action No(Args& a) {
    if (a.Accept("command")) {
        a.Require("containing");
        const std::string text = a.Next("a text");
        a.RequireDone();
        return [=](Runner& r) {
            const auto lines = CommandLines(r);
            const bool any = std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.find(text) != std::string::npos; });
            r.Check(!any, "no command containing " + ShowText(text), ShowLines(lines));
        };
    }
    if (a.Accept("route")) return Route(a, false);
    if (a.Accept("ipsec-policy")) return IpsecPolicyExpectation(a, false);
    if (a.Accept("program-file")) return ProgramFile(a, false);
    if (a.Accept("tray")) {
        // `expect no tray balloon`: none since the previous balloon expectation.
        a.Require("balloon");
        a.RequireDone();
        return [](Runner& r) {
            const auto& balloons = r.host().desktop().trayBalloons;
            const std::vector<std::string> since(balloons.begin() + static_cast<std::ptrdiff_t>(std::min(r.balloonsSeen, balloons.size())),
                                                 balloons.end());
            r.balloonsSeen = balloons.size();
            r.Check(since.empty(), "no tray balloon since the last balloon expectation", ShowLines(since));
        };
    }
    if (a.Accept("message-box")) {
        a.RequireDone();
        return [](Runner& r) {
            const auto& box = r.host().desktop().messageBox;
            r.Check(!box, "no message box", box ? ShowText(box->text) : "");
        };
    }
    if (a.Accept("dialog")) {
        a.RequireDone();
        return [](Runner& r) {
            sim::SimWindow* top = r.host().desktop().Top();
            const bool open = top && top != DialerWindow(r);
            r.Check(!open, "no dialog over the dialer", open ? ShowText(top->Title()) : "");
        };
    }
    a.Fail("expected 'command', 'route', 'ipsec-policy', 'program-file', 'message-box' or 'dialog' after 'no'");
}

Action ConnectionExpectation(Args& a) {
    const std::string entry = a.Next("an entry name");
    const std::string state = a.Next("up or absent");
    if (!EqualsNoCase(state, "up") && !EqualsNoCase(state, "absent")) a.Fail("expected up or absent");
    a.RequireDone();
    return [=](Runner& r) {
        bool up = false;
        for (const auto& c : r.host().machine().connections)
            if (c.entry == entry && !c.hangingUp && c.state == rascs::kConnected) up = true;
        r.Check(up == EqualsNoCase(state, "up"), "connection " + ShowText(entry) + " " + state, up ? "up" : "not up");
    };
}

// `expect ras-credentials NAME preshared-key TEXT|none`: what RasSetCredentials left for the entry.
Action RasCredentialsExpectation(Args& a) {
    const std::string entry = a.Next("an entry name");
    a.Require("preshared-key");
    const std::string key = a.Next("the key, or none");
    a.RequireDone();
    const bool none = EqualsNoCase(key, "none");
    return [=](Runner& r) {
        const auto& keys = r.host().phonebook().presharedKeys;
        const auto it = keys.find(entry);
        const std::string seen = it == keys.end() ? "none" : ShowText(it->second);
        const bool held = none ? it == keys.end() : it != keys.end() && it->second == key;
        r.Check(held, "the pre-shared key of \"" + entry + "\" " + (none ? std::string("none") : ShowText(key)), seen);
    };
}

Action DialParamsExpectation(Args& a) {
    const std::string entry = a.Next("an entry name");
    const std::string book = a.Option("phonebook", "a phonebook path");
    a.Require("user");
    const std::string user = a.Next("a user name");
    std::optional<std::string> password;
    bool noPassword = false;
    if (a.Accept("password")) {
        password = a.Next("a password");
    } else if (a.Accept("no-password")) {
        noPassword = true;
    }
    a.RequireDone();
    return [=](Runner& r) {
        const auto& all = r.host().machine().PhonebookAt(book).dialParams;
        const auto it = all.find(entry);
        const std::string what = "dial parameters of " + ShowText(entry) + " for " + user +
                                 (password ? " with password " + ShowText(*password) : noPassword ? " without password" : "");
        if (it == all.end()) return r.Check(false, what, "none stored");
        const auto& p = it->second;
        const bool held = p.userName == user && (!password || (p.passwordSaved && p.password == *password)) &&
                          (!noPassword || !p.passwordSaved);
        r.Check(held, what, "user " + p.userName + (p.passwordSaved ? ", password " + ShowText(p.password) : ", no password"));
    };
}

}  // namespace

void AddExpectWords(std::vector<Word>& words) {
    AddScreenExpectWords(words);
    AddRemoteExpectWords(words);
    AddServiceExpectWords(words);
    AddIntruderExpectWords(words);
    words.insert(words.end(),
                 {{"log", Log},
                  {"file", File},
                  {"registry", Registry},
                  {"setting", Setting},
                  {"command", Command},
                  {"program-file", [](Args& a) { return ProgramFile(a, true); }},
                  {"commands", Commands},
                  {"no", No},
                  {"route", [](Args& a) { return Route(a, true); }},
                  {"ipsec-policy", [](Args& a) { return IpsecPolicyExpectation(a, true); }},
                  {"pipe-request", PipeRequest},
                  {"pipe-requests", PipeRequests},
                  {"entry", EntryExpectation},
                  {"entry-writes", EntryWrites},
                  {"service", ServiceExpectation},
                  {"process", ProcessExpectation},
                  {"result", Result},
                  {"debug", [](Args& a) { return Output(a, true); }},
                  {"stdout", [](Args& a) { return Output(a, false); }},
                  {"mutex", Mutex},
                  {"time", Time},
                  {"connection", ConnectionExpectation},
                  {"dial-params", DialParamsExpectation},
                  {"ras-credentials", RasCredentialsExpectation},
                  {"securid", SecurIdExpectation},
                  {"rasdial-extensions", RasDialExtensionsExpectation}});
}

}  // namespace zelta::campus
