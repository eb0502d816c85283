// Expectations about remote access as Windows' own callers see it: the phonebook entry and what wrote
// it, the connections, the saved dial parameters and credentials, the SecurID exchange, the dial
// extensions, the helper service's pipe requests, how many dials the server met, and the RASDIALDLG
// record after the library's dial dialog.
#include "common/shared_names.h"
#include "platform/sim/code_page.h"
#include "platform/text.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

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
    words.insert(words.end(), {{"dial-dialog", DialDialog},
                               {"dial-attempts", DialAttempts},
                               {"pipe-request", PipeRequest},
                               {"pipe-requests", PipeRequests},
                               {"entry", EntryExpectation},
                               {"entry-writes", EntryWrites},
                               {"connection", ConnectionExpectation},
                               {"dial-params", DialParamsExpectation},
                               {"ras-credentials", RasCredentialsExpectation},
                               {"securid", SecurIdExpectation},
                               {"rasdial-extensions", RasDialExtensionsExpectation}});
}

}  // namespace zelta::campus
