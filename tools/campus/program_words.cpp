// Programs, the user, time, faults, and the probes that run one product operation.
#include <map>

#include "common/dialer_settings.h"
#include "common/ipsec_policy.h"
#include "common/services.h"
#include "dialer/dialer_main.h"
#include "dialer/phonebook_entry.h"
#include "dialer/service_pipe.h"
#include "routing/switch_discovery.h"
#include "tools/campus/runner.h"
#include "tools/campus/ui_words.h"

namespace zelta::campus {
namespace {

Action Start(Args& a) {
    const std::string image = a.Next("a program (dial.exe)");
    if (!EqualsNoCase(image, "dial.exe")) a.Fail("unknown program '" + image + "': scenarios start dial.exe");
    a.Require("as");
    const std::string account = a.Next("an account");
    std::string desktop, label;
    std::uint32_t session = 0;
    while (!a.Done()) {
        if (a.Accept("on")) {
            desktop = a.Next("a desktop");
        } else if (a.Accept("session")) {
            session = a.Unsigned("a session number");
        } else {
            a.Require("named");
            label = a.Next("a label");
        }
    }
    return [=](Runner& r) {
        const std::string name = label.empty() ? r.NewLabel("dial.exe") : label;
        r.Print("start", name + " as " + account + (desktop.empty() ? "" : " on " + desktop) +
                             (session ? " in session " + std::to_string(session) : ""));
        // The dialer runs from where it is installed ("ZeltaVPNPath"), when the machine says.
        const auto installed = r.host().registry().Value(RegistryRoot::LocalMachine, kSettingsKey, "ZeltaVPNPath");
        const std::string path = installed ? DecodeRegString(installed->data) : std::string();
        sim::ProcessFacts facts{"dial.exe", account, desktop, name, session, path, {}, false};
        r.processes[name] = &r.host().Start(facts, [](sim::SimProcess& p) { return DialerMain(p.platform()); });
        r.host().RunFor(0);  // what it asked of other programs at once happens before the next line
    };
}

// The operations a probe can run, each with the settings loaded in its process.
using Operation = int (*)(DialerSettings&, const std::string& argument);
const std::map<std::string, Operation, NoCaseLess>& Operations() {
    static const std::map<std::string, Operation, NoCaseLess> operations = {
        {"ProvisionPhonebookEntry", [](DialerSettings& s, const std::string&) { return ProvisionPhonebookEntry(s) ? 1 : 0; }},
        {"StartIpsecViaService", [](DialerSettings& s, const std::string&) { return StartIpsecViaService(s); }},
        {"ApplyIpsecPolicy", [](DialerSettings& s, const std::string&) { return ApplyIpsecPolicy(s), 0; }},
        {"RemoveIpsecPolicy", [](DialerSettings& s, const std::string&) { return RemoveIpsecPolicy(s), 0; }},
        {"PrepareIpsecService", [](DialerSettings& s, const std::string&) { return PrepareIpsecService(s); }},
        {"FindSwitchInterface", [](DialerSettings& s, const std::string&) { return static_cast<int>(FindSwitchInterface(s).path); }},
        {"StopServiceByName", [](DialerSettings& s, const std::string& name) { return StopServiceByName(s.platform(), name); }},
        {"StartServiceByName",
         [](DialerSettings& s, const std::string& name) { return StartServiceByName(s.platform().services, s.platform().clock, s.log(), name); }},
    };
    return operations;
}

Action Invoke(Args& a) {
    const std::string operation = a.Next("an operation");
    const auto found = Operations().find(operation);
    if (found == Operations().end()) a.Fail("unknown operation '" + operation + "'");
    std::string argument;
    if (EqualsNoCase(operation, "StopServiceByName") || EqualsNoCase(operation, "StartServiceByName"))
        argument = a.Next("a service name");
    std::string account = "SYSTEM", label;
    while (!a.Done()) {
        if (a.Accept("as")) {
            account = a.Next("an account");
        } else {
            a.Require("named");
            label = a.Next("a label");
        }
    }
    const Operation run = found->second;
    const std::string name = found->first;
    return [=](Runner& r) {
        const std::string process = label.empty() ? r.NewLabel(name) : label;
        sim::SimProcess& p = r.host().NewProcess("dial.exe", account, "Default");
        p.platform().instance.StartWinsock();  // as the dialer does before any name lookup
        Log log(p.platform());
        DialerSettings settings(p.platform(), log);
        settings.Load();
        const int result = run(settings, argument);
        p.End();
        r.results[process] = result;
        r.lastInvoke = process;
        static const char* const kPaths[] = {"NoRoute", "NotWireless", "SwitchNotFound", "Ready"};
        const bool isPath = EqualsNoCase(name, "FindSwitchInterface") && result >= 0 && result <= 3;
        r.Print("invoke", name + (argument.empty() ? "" : " " + argument) + " = " + std::to_string(result) +
                              (isPath ? std::string(" (") + kPaths[result] + ")" : ""));
    };
}

Action Wait(Args& a) {
    if (a.Accept("until")) {
        const std::uint64_t time = a.Duration("a time since the start");
        a.RequireDone();
        return [=](Runner& r) { r.host().scheduler().RunUntil(std::max(time, r.host().Now())); };
    }
    const std::uint64_t duration = a.Duration();
    a.RequireDone();
    return [=](Runner& r) { r.host().RunFor(duration); };
}

Action At(Args& a) {
    const std::uint64_t time = a.Duration("a time since the start");
    Action inner = CompileStatement(a);
    return [=](Runner& r) { r.host().scheduler().At(time, [&r, inner] { inner(r); }); };
}

Action After(Args& a) {
    const std::uint64_t delay = a.Duration();
    Action inner = CompileStatement(a);
    return [=](Runner& r) { r.host().scheduler().After(delay, [&r, inner] { inner(r); }); };
}

Action Fail(Args& a) {
    const std::string call = a.Next("a Win32 call (RegOpenKeyEx, CreateFile...)");
    a.Require("with");
    const std::uint32_t code = a.Unsigned("an error code");
    if (code == 0) a.Fail("a call that fails with 0 has not failed: give an error code");
    std::string match;
    int times = -1;
    int after = 0;
    while (!a.Done()) {
        if (a.Accept("matching")) {
            match = a.Next("a text");
        } else if (a.Accept("after")) {
            const std::uint32_t calls = a.Unsigned("a number of calls to let through");
            if (calls > 1000000) a.Fail("'after' takes at most 1000000 calls");
            after = static_cast<int>(calls);
        } else {
            a.Require("times");
            const std::uint32_t count = a.Unsigned("a count");
            if (count == 0 || count > 1000000) a.Fail("'times' takes a count from 1");
            times = static_cast<int>(count);
        }
    }
    return [=](Runner& r) { r.host().faults().Inject(call, code, match, times, after); };
}

Action ClearFaults(Args& a) {
    a.RequireDone();
    return [](Runner& r) { r.host().faults().Clear(); };
}

}  // namespace

void AddProgramWords(std::vector<Word>& words) {
    AddUserWords(words);
    words.insert(words.end(), {{"start", Start},
                               {"invoke", Invoke},
                               {"wait", Wait},
                               {"at", At},
                               {"after", After},
                               {"fail", Fail},
                               {"clear-faults", ClearFaults}});
}

}  // namespace zelta::campus
