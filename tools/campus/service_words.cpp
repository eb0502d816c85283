// The helper service on the campus: programs run from a command line, the service control manager,
// users logging on, clients of the service's pipe (from this machine or another) and a program that
// takes the pipe's name first; and the checks that go with them.
#include "dialer/dialer_main.h"
#include "platform/sim/accounts.h"
#include "platform/sim/event_log.h"
#include "platform/sim/programs.h"
#include "platform/text.h"
#include "service/service_main.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"
#include "tools/campus/who.h"

namespace zelta::campus {
namespace {

constexpr std::uint32_t kClientWaitMs = 5000;  // what the dialer's own request 2 waits for a busy pipe

// `run COMMAND-LINE [as ACCOUNT] [session N] [named LABEL]`: a program started from a command prompt.
Action Run(Args& a) {
    const std::string commandLine = a.Next("a command line");
    const Who who = TakeWho(a, "Administrator");
    a.RequireDone();
    const std::vector<std::string> words = sim::SplitCommandLine(commandLine);
    if (words.empty()) a.Fail("an empty command line");
    return [=](Runner& r) {
        if (!r.host().CanLaunch(words.front()))
            throw ScenarioError(r.current().Where() + ": '" + words.front() +
                                "' is not a program file on the machine that zelta-campus can run (dial.exe or "
                                "ZeltaService.exe, made with 'file')");
        const int id = r.host().Launch({words.front(), {words.begin() + 1, words.end()}, who.account, "Default", who.session, {}});
        for (auto& process : const_cast<std::list<sim::SimProcess>&>(r.host().processes())) {
            if (process.processId() != id) continue;
            if (!who.label.empty()) r.processes[who.label] = &process;
            r.processes[process.facts().label] = &process;
        }
        r.host().RunFor(0);
    };
}

// `sc start|stop|delete NAME [as ACCOUNT]`: the service control manager, asked from a command prompt.
Action Sc(Args& a) {
    const std::string verb = a.Next("start, stop or delete");
    if (!EqualsNoCase(verb, "start") && !EqualsNoCase(verb, "stop") && !EqualsNoCase(verb, "delete"))
        a.Fail("expected start, stop or delete, found '" + verb + "'");
    const std::string name = a.Next("a service name");
    const Who who = TakeWho(a, "Administrator");
    a.RequireDone();
    return [=](Runner& r) {
        sim::SimProcess& p = r.host().NewProcess("sc.exe", who.account, "Default");
        using namespace service_access;
        std::unique_ptr<ServiceControlManager> manager;
        Win32Error rc = p.platform().services.Connect(manager);
        std::unique_ptr<Service> service;
        if (rc == err::kSuccess) rc = manager->Open(name, kQueryStatus | kStart | kStop | kDelete, service);
        if (rc == err::kSuccess) {
            ServiceStatus status;
            rc = EqualsNoCase(verb, "start") ? service->Start()
                 : EqualsNoCase(verb, "stop") ? service->Stop(status)
                                              : service->Delete();
        }
        service.reset();
        p.End();
        r.results["sc.exe"] = static_cast<int>(rc);
        r.lastInvoke = "sc.exe";
        r.Print("invoke", "sc " + verb + " " + name + " = " + std::to_string(rc));
        r.host().RunFor(0);
    };
}

// `log-on ACCOUNT [session N]`: a user logs on; the input desktop is theirs, and the services that
// take session notifications hear of it.
Action LogOn(Args& a) {
    const std::string account = a.Next("an account");
    std::optional<std::uint32_t> given;
    if (a.Accept("session")) given = a.Unsigned("a session number");
    a.RequireDone();
    return [=](Runner& r) {
        const std::uint32_t session = given.value_or(r.host().machine().consoleSession);
        r.host().machine().sessionUsers[session] = account;
        r.host().SetInputDesktop("Default");
        r.host().journal().Note("session", account + " logs on in session " + std::to_string(session));
        r.host().NotifyServices(ServiceControlEvent{ServiceControlKind::SessionLogon, session});
        r.host().RunFor(0);
    };
}

// `account NAME administrator|user`.
Action Account(Args& a) {
    const std::string name = a.Next("an account");
    const std::string kind = a.Next("administrator or user");
    a.RequireDone();
    const bool admin = EqualsNoCase(kind, "administrator");
    if (!admin && !EqualsNoCase(kind, "user")) a.Fail("expected administrator or user, found '" + kind + "'");
    return [=](Runner& r) {
        if (admin) {
            r.host().machine().administrators.insert(name);
        } else {
            r.host().machine().administrators.erase(name);
        }
    };
}

// `pipe-client NAME [as ACCOUNT] [session N] [from-network] [named LABEL] sends BYTES... | holds DURATION`;
// among the bytes, `text TEXT` stands for the bytes of TEXT.
Action PipeClient(Args& a) {
    const std::string pipe = a.Next("a pipe name");
    const Who who = TakeWho(a, "User", {.named = true, .fromNetwork = true});
    const bool holds = a.Accept("holds");
    if (!holds) a.Require("sends");
    std::uint64_t duration = 0;
    std::vector<std::uint8_t> bytes;
    if (holds) {
        duration = a.Duration();
        a.RequireDone();
    } else {
        // Hexadecimal bytes, with `text TEXT` for the bytes of a text among them.
        while (!a.Done()) {
            if (a.Accept("text")) {
                const std::string text = a.Next("a text");
                bytes.insert(bytes.end(), text.begin(), text.end());
                continue;
            }
            Line one{a.line().file, a.line().number, {a.Next("bytes")}};
            const auto part = Args(one, 0).Bytes();
            bytes.insert(bytes.end(), part.begin(), part.end());
        }
        if (bytes.empty()) a.Fail("expected the bytes to send");
    }
    return [=](Runner& r) {
        const std::string label = who.label.empty() ? r.NewLabel("client.exe") : who.label;
        sim::ProcessFacts facts{"client.exe", who.account, "Default", label, who.session, {}, {}, who.network};
        if (holds) {
            // It opens the pipe, says nothing, and closes it when its time is up (or the server dropped it).
            r.processes[label] = &r.host().Start(facts, [pipe, duration](sim::SimProcess& p) {
                std::unique_ptr<PipeClientEnd> end;
                const Win32Error rc = p.platform().pipes.Open(pipe, pipe_wait::kNoWait, end);
                if (rc == err::kSuccess) p.platform().clock.Sleep(static_cast<std::uint32_t>(duration));
                return static_cast<int>(rc);
            });
            r.host().RunFor(0);
            return;
        }
        sim::SimProcess& p = r.host().Start(facts, [](sim::SimProcess&) { return 0; });
        std::unique_ptr<PipeClientEnd> end;
        std::vector<std::uint8_t> reply;
        Win32Error rc = p.platform().pipes.Open(pipe, kClientWaitMs, end);
        if (rc == err::kSuccess) rc = end->Transact(bytes, 1024, reply);
        end.reset();
        r.results[label] = static_cast<int>(rc);
        r.replies[label] = rc == err::kSuccess || rc == err::kMoreData ? std::optional(reply) : std::nullopt;
        r.lastInvoke = label;
        r.Print("invoke", label + " as " + who.account + (who.network ? " from the network" : "") + " sends " +
                              sim::HexBytes(bytes.data(), bytes.size()) + " = " + std::to_string(rc));
        r.host().RunFor(0);
    };
}

// `squatter NAME [as ACCOUNT]`: another program creates the pipe's name first, open to everybody, and
// answers every request with 00.
Action Squatter(Args& a) {
    const std::string pipe = a.Next("a pipe name");
    const Who who = TakeWho(a, "Mallory");
    a.RequireDone();
    return [=](Runner& r) {
        const std::string label = who.label.empty() ? r.NewLabel("squatter.exe") : who.label;
        sim::ProcessFacts facts{"squatter.exe", who.account, "Default", label, who.session, {}, {}, false};
        r.processes[label] = &r.host().Start(facts, [pipe](sim::SimProcess& p) {
            const PipeSecurity open{std::nullopt, {{true, Principal::Everyone, pipe_access::kFullControl}}};
            std::unique_ptr<PipeServerEnd> server;
            if (const Win32Error rc = p.platform().pipes.CreateServer(pipe, open, PipeServing{}, server))
                return static_cast<int>(rc);
            for (;;) {
                std::unique_ptr<PipeConnection> client;
                if (server->WaitForClient(60000, client) != err::kSuccess) continue;
                std::vector<std::uint8_t> request;
                if (client->Read(request) != err::kSuccess) continue;
                const std::uint8_t yes = 0;
                client->Write({&yes, 1});
            }
        });
        r.host().RunFor(0);
    };
}

// --- what came of it ---

// `expect reply [LABEL] BYTES... | none`: the reply the pipe client got.
Action Reply(Args& a) {
    std::string label;
    if (a.line().words.size() > 3 && a.line().words[2].size() > 2 && !EqualsNoCase(a.line().words[2], "none"))
        label = a.Next("a label");
    const bool none = a.Accept("none");
    const auto bytes = none ? std::vector<std::uint8_t>{} : a.Bytes();
    if (!none && bytes.empty()) a.Fail("expected the reply's bytes, or none");
    return [=](Runner& r) {
        const std::string which = label.empty() ? r.lastInvoke : label;
        const auto it = r.replies.find(which);
        const std::string seen = it == r.replies.end() || !it->second ? "no reply"
                                                                      : sim::HexBytes(it->second->data(), it->second->size());
        const std::string what = none ? "no reply" : "the reply " + sim::HexBytes(bytes.data(), bytes.size());
        const bool held = none ? (it == r.replies.end() || !it->second) : (it != r.replies.end() && it->second == bytes);
        r.Check(held, what, seen);
    };
}

// `expect event SOURCE TYPE [containing TEXT]`, `expect no-event SOURCE [TYPE]`.
Action Event(Args& a, bool present) {
    const std::string source = a.Next("an event source");
    std::string type;
    if (!a.Done() && !EqualsNoCase(a.Peek(), "containing")) {
        type = a.Next("error, warning or information");
        if (!EqualsNoCase(type, "error") && !EqualsNoCase(type, "warning") && !EqualsNoCase(type, "information"))
            a.Fail("expected error, warning or information, found '" + type + "'");
    }
    std::string text;
    if (present && a.Accept("containing")) text = a.Next("a text");
    a.RequireDone();
    return [=](Runner& r) {
        std::vector<std::string> seen;
        bool found = false;
        for (const sim::EventRecord& e : r.host().machine().eventLog) {
            std::string strings;
            for (const auto& s : e.strings) strings += s;
            seen.push_back(e.source + " " + sim::EventTypeName(e.type) + (strings.empty() ? "" : ": " + strings));
            found = found || (EqualsNoCase(e.source, source) && (type.empty() || EqualsNoCase(sim::EventTypeName(e.type), type)) &&
                              strings.find(text) != std::string::npos);
        }
        const std::string what = std::string(present ? "an event " : "no event ") + source +
                                 (type.empty() ? "" : " " + type) + (text.empty() ? "" : " containing " + ShowText(text));
        r.Check(found == present, what, seen.empty() ? "an empty event log" : ShowLines(seen));
    };
}

// `expect copies IMAGE N`: how many programs of that image run.
Action Copies(Args& a) {
    const std::string image = a.Next("a program image (dial.exe)");
    const std::uint32_t n = a.Unsigned("a count");
    a.RequireDone();
    return [=](Runner& r) {
        std::vector<std::string> running;
        for (const auto& p : r.host().processes())
            if (EqualsNoCase(p.facts().image, image) && p.programId() != 0 && !p.HasEnded())
                running.push_back(p.facts().label + " as " + p.facts().account + " on " + p.facts().desktop);
        r.Check(running.size() == n, std::to_string(n) + " running " + image, ShowLines(running));
    };
}

}  // namespace

void AddServiceWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"run", Run},
                               {"sc", Sc},
                               {"log-on", LogOn},
                               {"account", Account},
                               {"pipe-client", PipeClient},
                               {"squatter", Squatter}});
}

void AddServiceExpectWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"reply", Reply},
                               {"event", [](Args& a) { return Event(a, true); }},
                               {"no-event", [](Args& a) { return Event(a, false); }},
                               {"copies", Copies}});
}

void AddProgramImages(sim::SimHost& host) {
    host.AddProgramImage("dial.exe", [](sim::SimProcess& p, const std::vector<std::string>&) {
        return DialerMain(p.platform());
    });
    host.AddProgramImage("ZeltaService.exe", [](sim::SimProcess& p, const std::vector<std::string>& args) {
        return ZeltaServiceMain(p.platform(), args);
    });
}

}  // namespace zelta::campus
