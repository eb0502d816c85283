// Remote access, the helper service's pipe, and the far end of the tunnel.
#include "dialer/service_pipe.h"
#include "tools/campus/names.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

Action RasDevice(Args& a) {
    const std::string type = a.Next("a device type (vpn)");
    const std::string name = a.Next("a device name");
    a.RequireDone();
    return [=](Runner& r) { r.host().AddRasDevice(type, name); };
}

Action Entry(Args& a) {
    const std::string name = a.Next("an entry name");
    if (a.Done()) return [=](Runner& r) { r.host().phonebook().entries[name] = RasEntry{}; };
    const std::string field = a.Next("a field name");
    const std::string value = a.Next("a value");
    a.RequireDone();
    RasEntry probe;
    if (!IsEntryField(field) || !SetEntryField(probe, field, value))
        a.Fail("'" + value + "' does not suit the entry field '" + field + "'");
    return [=](Runner& r) { SetEntryField(r.host().phonebook().entries[name], field, value); };
}

// `helper-service ...` and `pipe NAME ...` share their words.
Action PipeWords(Args& a, const std::string& name) {
    if (a.Done()) return [=](Runner& r) { r.host().AddPipeServer(name); };
    if (a.Accept("absent")) {
        a.RequireDone();
        return [=](Runner& r) { r.host().machine().pipes.erase(name); };
    }
    if (a.Accept("reply")) {
        const std::uint32_t kind = a.Unsigned("a request kind");
        if (kind > 255) a.Fail("a request kind is one byte");
        const auto bytes = a.Bytes();
        return [=](Runner& r) { r.host().AddPipeServer(name).replies[static_cast<std::uint8_t>(kind)] = bytes; };
    }
    if (a.Accept("busy")) {
        const bool until = a.Accept("until");
        if (!until) a.Require("for");
        const std::uint64_t time = a.Duration();
        a.RequireDone();
        return [=](Runner& r) { r.host().AddPipeServer(name).busyUntil = until ? time : r.host().Now() + time; };
    }
    a.Require("delay");
    const std::uint64_t delay = a.Duration();
    a.RequireDone();
    return [=](Runner& r) { r.host().AddPipeServer(name).replyDelay = delay; };
}

Action HelperService(Args& a) { return PipeWords(a, std::string(kServicePipeName)); }

Action Pipe(Args& a) {
    const std::string name = a.Next("a pipe name");
    return PipeWords(a, name);
}

}  // namespace

void AddRemoteWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"ras-device", RasDevice},
                               {"entry", Entry},
                               {"dial-params", nullptr},
                               {"connection", nullptr},
                               {"helper-service", HelperService},
                               {"pipe", Pipe},
                               {"server", nullptr},
                               {"securid", nullptr}});
}

}  // namespace zelta::campus
