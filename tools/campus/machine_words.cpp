// The machine: Windows version, clock, desktops, registry, files, services, system texts.
#include <cstdio>
#include <map>

#include "common/dialer_settings.h"
#include "platform/sim/code_page.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

constexpr RegistryRoot kHklm = RegistryRoot::LocalMachine;

Action Os(Args& a) {
    const std::string version = a.Next("a version (5.1)");
    unsigned major = 0, minor = 0;
    char tail = 0;
    if (std::sscanf(version.c_str(), "%u.%u%c", &major, &minor, &tail) != 2) a.Fail("expected a version like 5.1");
    // Each version's best-known build: 2000, XP, 2003, Vista SP2, 7 SP1, 8, 8.1, 10 22H2.
    const std::map<std::pair<unsigned, unsigned>, std::uint32_t> builds = {
        {{5, 0}, 2195}, {{5, 1}, 2600}, {{5, 2}, 3790}, {{6, 0}, 6002},
        {{6, 1}, 7601}, {{6, 2}, 9200}, {{6, 3}, 9600}, {{10, 0}, 19045}};
    const auto known = builds.find({major, minor});
    if (major >= 6 && known == builds.end()) a.Fail("expected 5.0 to 5.2, 6.0 to 6.3 or 10.0, found " + version);
    std::uint32_t build = known == builds.end() ? 3790 : known->second;
    std::string servicePack;
    while (!a.Done()) {
        if (a.Accept("build")) {
            build = a.Unsigned("a build number");
        } else {
            a.Require("sp");
            servicePack = a.Next("a service pack text");
        }
    }
    return [=](Runner& r) {
        r.host().SetOsVersion(major, minor, build);
        // From Vista on session 0 is the services' alone; the console's user gets session 1.
        if (major >= 6) r.host().machine().consoleSession = 1;
        r.host().machine().osVersion->servicePack = servicePack;
    };
}

Action Clock(Args& a) {
    const std::string date = a.Next("a date (YYYY-MM-DD)");
    const std::string time = a.Next("a time (HH:MM:SS)");
    a.RequireDone();
    LocalTime t;
    char tail = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d%c", &t.year, &t.month, &t.day, &tail) != 3 ||
        std::sscanf(time.c_str(), "%d:%d:%d%c", &t.hour, &t.minute, &t.second, &tail) != 3 || t.month < 1 ||
        t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
        a.Fail("expected a date and time like 2026-12-07 01:20:00");
    return [=](Runner& r) { r.host().SetWallClock(t); };
}

Action Ticks(Args& a) {
    const std::uint32_t ticks = a.Unsigned("a tick count");
    a.RequireDone();
    return [=](Runner& r) { r.host().SetTickCount(ticks); };
}

Action Desktop(Args& a) {
    const std::string name = a.Next("a desktop name");
    a.RequireDone();
    return [=](Runner& r) { r.host().SetInputDesktop(name); };
}

Action Language(Args& a) {
    const std::uint32_t language = a.Unsigned("a language id (1033, 1041)");
    a.RequireDone();
    return [=](Runner& r) { r.host().desktop().language = static_cast<int>(language); };
}

Action CodePage(Args& a) {
    const std::uint32_t codePage = a.Unsigned("a code page (1252, 932)");
    if (!sim::IsSimulatedCodePage(codePage)) a.Fail("the simulated Windows has the code pages 1252 and 932");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().ansiCodePage = codePage; };
}

Action SettingsKey(Args& a) {
    a.RequireDone();
    return [](Runner& r) { r.host().registry().Create(kHklm, kSettingsKey); };
}

Action Setting(Args& a) {
    const std::string name = a.Next("a value name");
    const RegValue value = a.Value();
    a.RequireDone();
    return [=](Runner& r) { r.host().registry().SetValue(kHklm, kSettingsKey, name, value.type, value.data); };
}

Action Registry(Args& a) {
    if (a.Accept("key")) {
        const auto [root, path] = a.Key();
        a.RequireDone();
        return [root = root, path = path](Runner& r) { r.host().registry().Create(root, path); };
    }
    if (a.Accept("set")) {
        const auto [root, path] = a.Key();
        const std::string name = a.Next("a value name");
        const RegValue value = a.Value();
        a.RequireDone();
        return [=, root = root, path = path](Runner& r) { r.host().registry().SetValue(root, path, name, value.type, value.data); };
    }
    a.Require("delete");
    const auto [root, path] = a.Key();
    if (a.Done()) return [root = root, path = path](Runner& r) { r.host().registry().DeleteKey(root, path); };
    const std::string name = a.Next("a value name");
    a.RequireDone();
    return [=, root = root, path = path](Runner& r) {
        if (auto node = r.host().registry().Find(root, path)) node->values.erase(name);
    };
}

Action File(Args& a) {
    const std::string path = a.Next("a file path");
    if (a.Done()) return [=](Runner& r) { r.host().files().Write(path, {}); };
    if (a.Accept("text")) {
        const std::string text = a.Next("a text");
        a.RequireDone();
        return [=](Runner& r) { r.host().files().WriteText(path, sim::Utf8ToAnsi(r.host().machine().ansiCodePage, text)); };
    }
    if (a.Accept("bytes")) {
        const auto bytes = a.Bytes();
        return [=](Runner& r) { r.host().files().Write(path, bytes); };
    }
    a.Require("copy");
    const std::string local = a.Next("a file next to the scenario");
    a.RequireDone();
    const std::string dir = a.line().file.substr(0, a.line().file.find_last_of('/') + 1);
    const std::string source = local.starts_with('/') ? local : dir + local;
    return [=](Runner& r) {
        std::FILE* f = std::fopen(source.c_str(), "rb");
        if (!f) throw ScenarioError(r.current().Where() + ": cannot read " + source);
        std::vector<std::uint8_t> bytes;
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
        r.host().files().Write(path, std::move(bytes));
    };
}

Action Directory(Args& a) {
    const std::string path = a.Next("a directory path");
    a.RequireDone();
    return [=](Runner& r) { r.host().files().AddDirectory(path); };
}

Action DeleteFile(Args& a) {
    const std::string path = a.Next("a file path");
    a.RequireDone();
    return [=](Runner& r) { r.host().files().Files().erase(r.host().files().Resolve(path)); };
}

std::optional<ServiceState> StateNamed(std::string_view word) {
    if (EqualsNoCase(word, "running")) return ServiceState::Running;
    if (EqualsNoCase(word, "stopped")) return ServiceState::Stopped;
    if (EqualsNoCase(word, "stop-pending")) return ServiceState::StopPending;
    if (EqualsNoCase(word, "start-pending")) return ServiceState::StartPending;
    return std::nullopt;
}

}  // namespace

std::optional<ServiceStartType> StartTypeNamed(std::string_view word) {
    if (EqualsNoCase(word, "auto")) return ServiceStartType::Automatic;
    if (EqualsNoCase(word, "demand")) return ServiceStartType::Demand;
    if (EqualsNoCase(word, "disabled")) return ServiceStartType::Disabled;
    return std::nullopt;
}

std::optional<ServiceState> ServiceStateNamed(std::string_view word) { return StateNamed(word); }

namespace {

Action ServiceWord(Args& a) {
    const std::string name = a.Next("a service name");
    const std::string stateWord = a.Next("a state (running, stopped, stop-pending, start-pending) or 'removed'");
    if (EqualsNoCase(stateWord, "removed")) {
        a.RequireDone();
        return [=](Runner& r) { r.host().RemoveService(name); };
    }
    const auto state = StateNamed(stateWord);
    if (!state) a.Fail("unknown service state '" + stateWord + "'");
    std::optional<ServiceStartType> startType;
    std::vector<std::string> dependsOn;
    std::optional<std::uint64_t> stopDelay, startDelay;
    bool hangs = false, fails = false;
    while (!a.Done()) {
        if (a.Accept("start")) {
            const std::string word = a.Next("a start type (auto, demand, disabled)");
            startType = StartTypeNamed(word);
            if (!startType) a.Fail("unknown start type '" + word + "'");
        } else if (a.Accept("depends-on")) {
            std::string list = a.Next("service names separated by commas");
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t comma = std::min(list.find(',', start), list.size());
                if (comma > start) dependsOn.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        } else if (a.Accept("stop-delay")) {
            stopDelay = a.Duration();
        } else if (a.Accept("start-delay")) {
            startDelay = a.Duration();
        } else if (a.Accept("hangs-stopping")) {
            hangs = true;
        } else if (a.Accept("fails-to-start")) {
            fails = true;
        } else {
            a.Fail("unknown service option '" + a.Next("") + "'");
        }
    }
    // On an existing service only what the line names changes: a later line can move its state.
    return [=](Runner& r) {
        sim::ServiceRecord* record = r.host().FindService(name);
        if (!record) record = &r.host().AddService(name, *state);
        record->state = *state;
        r.host().journal().Note("service", name + " " + stateWord);
        if (startType) record->startType = *startType;
        if (!dependsOn.empty()) record->dependsOn = dependsOn;
        if (stopDelay) record->stopDelay = *stopDelay;
        if (startDelay) record->startDelay = *startDelay;
        if (hangs) record->hangsStopping = true;
        if (fails) record->failsToStart = true;
    };
}

Action ErrorText(Args& a) {
    const std::uint32_t code = a.Unsigned("an error code");
    const std::string text = a.Next("a text, or 'none'");
    a.RequireDone();
    if (EqualsNoCase(text, "none")) return [=](Runner& r) { r.host().RemoveErrorText(code); };
    return [=](Runner& r) { r.host().SetErrorText(code, text); };
}

// `ras-error-text CODE TEXT|none`: what RasGetErrorString gives for a remote-access error.
Action RasErrorText(Args& a) {
    const std::uint32_t code = a.Unsigned("a remote-access error code");
    const std::string text = a.Next("a text, or 'none'");
    a.RequireDone();
    if (EqualsNoCase(text, "none")) return [=](Runner& r) { r.host().machine().rasErrorTexts.erase(code); };
    return [=](Runner& r) { r.host().machine().rasErrorTexts[code] = text; };
}

}  // namespace

// `machine certificate`: the machine's store holds a certificate the VPN server trusts.
Action Machine(Args& a) {
    a.Require("certificate");
    a.RequireDone();
    return [](Runner& r) { r.host().machine().machineCertificate = true; };
}

void AddMachineWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"os", Os},
                               {"machine", Machine},
                               {"clock", Clock},
                               {"ticks", Ticks},
                               {"desktop", Desktop},
                               {"language", Language},
                               {"code-page", CodePage},
                               {"settings-key", SettingsKey},
                               {"setting", Setting},
                               {"registry", Registry},
                               {"file", File},
                               {"directory", Directory},
                               {"delete-file", DeleteFile},
                               {"service", ServiceWord},
                               {"error-text", ErrorText},
                               {"ras-error-text", RasErrorText}});
}

}  // namespace zelta::campus
