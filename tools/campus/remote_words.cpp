// Remote access, the helper service's pipe, and the far end of the tunnel.
#include "common/shared_names.h"
#include "dialer/service_pipe.h"
#include "platform/sim/remote_access.h"
#include "platform/text.h"
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
    const std::string book = a.Option("phonebook", "a phonebook path");
    if (a.Done()) return [=](Runner& r) { r.host().machine().PhonebookAt(book).entries[name] = RasEntry{}; };
    const std::string field = a.Next("a field name");
    const std::string value = a.Next("a value");
    a.RequireDone();
    RasEntry probe;
    if (!IsEntryField(field) || !SetEntryField(probe, field, value))
        a.Fail("'" + value + "' does not suit the entry field '" + field + "'");
    return [=](Runner& r) { SetEntryField(r.host().machine().PhonebookAt(book).entries[name], field, value); };
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

Action DialParams(Args& a) {
    const std::string entry = a.Next("an entry name");
    const std::string book = a.Option("phonebook", "a phonebook path");
    a.Require("user");
    const std::string user = a.Next("a user name");
    std::optional<std::string> password;
    bool saved = false;
    while (!a.Done()) {
        if (a.Accept("password")) {
            password = a.Next("a password");
        } else {
            a.Require("saved");
            saved = true;
        }
    }
    if (saved && !password) a.Fail("a saved password needs 'password PASSWORD'");
    return [=](Runner& r) {
        sim::SavedDialParams& params = r.host().machine().PhonebookAt(book).dialParams[entry];
        params.userName = user;
        params.password = password.value_or("");
        params.passwordSaved = saved;
    };
}

Action Connection(Args& a) {
    const std::string entry = a.Next("an entry name");
    a.Require("up");
    std::string client = "10.9.9.9", server = "10.9.9.1";
    while (!a.Done()) {
        if (a.Accept("client")) {
            client = a.Address("a client address").ToString();
        } else {
            a.Require("server");
            server = a.Address("a server address").ToString();
        }
    }
    return [=](Runner& r) {
        sim::Machine& machine = r.host().machine();
        sim::SimConnection connection;
        connection.handle = RasConnectionHandle{machine.nextConnection++};
        connection.entry = entry;
        connection.state = rascs::kConnected;
        connection.projected = true;
        connection.client = client;
        connection.server = server;
        if (const auto it = machine.phonebook.entries.find(entry); it != machine.phonebook.entries.end())
            connection.remoteDefaultGateway = (it->second.dwfOptions & rasentry::kOptionRemoteDefaultGateway) != 0;
        machine.connections.push_back(connection);
        sim::ConnectionUp(machine, machine.connections.back());
        r.host().journal().Note("dial", "\"" + entry + "\" connected by someone else, client " + client);
    };
}

std::optional<std::uint32_t> StateNamed(const std::string& word) {
    static const std::pair<const char*, std::uint32_t> names[] = {
        {"OpenPort", rascs::kOpenPort}, {"PortOpened", rascs::kPortOpened}, {"ConnectDevice", rascs::kConnectDevice},
        {"DeviceConnected", rascs::kDeviceConnected}, {"AllDevicesConnected", rascs::kAllDevicesConnected},
        {"Authenticate", rascs::kAuthenticate}, {"AuthNotify", rascs::kAuthNotify}, {"AuthProject", rascs::kAuthProject},
        {"Authenticated", rascs::kAuthenticated}, {"Projected", rascs::kProjected}, {"Connected", rascs::kConnected}};
    for (const auto& [name, value] : names)
        if (EqualsNoCase(word, name)) return value;
    if (const auto number = ParseNumber(word); number && *number >= 0) return static_cast<std::uint32_t>(*number);
    return std::nullopt;
}

Action ServerStatistics(Args& a) {
    // `server statistics FIELD N`: what RasGetConnectionStatistics counts on a connection.
    const std::string field = a.Next("bytes-sent, bytes-received, frames-sent, frames-received, errors, "
                                     "compression-in or compression-out");
    const std::uint32_t value = a.Unsigned("a count");
    a.RequireDone();
    std::uint32_t RasStatistics::*member = nullptr;
    const std::pair<const char*, std::uint32_t RasStatistics::*> fields[] = {
        {"bytes-sent", &RasStatistics::bytesSent},         {"bytes-received", &RasStatistics::bytesReceived},
        {"frames-sent", &RasStatistics::framesSent},       {"frames-received", &RasStatistics::framesReceived},
        {"errors", &RasStatistics::crcErrors},             {"compression-in", &RasStatistics::compressionRatioIn},
        {"compression-out", &RasStatistics::compressionRatioOut}};
    for (const auto& [name, pointer] : fields)
        if (EqualsNoCase(field, name)) member = pointer;
    if (!member) a.Fail("unknown statistics field '" + field + "'");
    return [=](Runner& r) { r.host().machine().vpnServer.statistics.*member = value; };
}

Action ServerIpsec(Args& a) {
    // `server ipsec preshared-key TEXT` | `server ipsec certificate`: what an L2TP dial's IPsec must agree on.
    sim::ServerIpsec ipsec;
    if (a.Accept("certificate")) {
        ipsec.certificate = true;
    } else {
        a.Require("preshared-key");
        ipsec.presharedKey = a.Next("the pre-shared key");
    }
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.ipsec = ipsec; };
}

Action ServerRasdialFails(Args& a) {
    const std::uint32_t code = a.Unsigned("a remote-access error code");
    if (code == 0) a.Fail("RasDial failing with 0 has not failed: give an error code");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.failAfterHandle = code; };
}

Action ServerLateEvent(Args& a) {
    a.RequireDone();
    return [](Runner& r) { r.host().machine().vpnServer.lateEvent = true; };
}

Action ServerAccepts(Args& a) {
    const std::string user = a.Next("a user name");
    const std::string password = a.Next("a password");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.accepts[user] = password; };
}

Action ServerRefuses(Args& a) {
    a.Require("attempt");
    const std::uint32_t attempt = a.Unsigned("an attempt number");
    a.Require("with");
    const std::uint32_t code = a.Unsigned("an error code");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.refusals[static_cast<int>(attempt)] = code; };
}

Action ServerStates(Args& a) {
    std::vector<std::uint32_t> states;
    while (!a.Done()) {
        const std::string word = a.Next("a state");
        const auto state = StateNamed(word);
        if (!state) a.Fail("unknown dial state '" + word + "'");
        states.push_back(*state);
    }
    if (states.empty()) a.Fail("expected the dial states");
    return [=](Runner& r) { r.host().machine().vpnServer.states = states; };
}

Action ServerStep(Args& a) {
    const std::uint64_t step = a.Duration();
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.step = step; };
}

Action ServerProjection(Args& a) {
    const std::string client = a.Address("the client address").ToString();
    const std::string server = a.Address("the server address").ToString();
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.projection = std::make_pair(client, server); };
}

Action ServerHangupPolls(Args& a) {
    const std::uint32_t polls = a.Unsigned("a number of polls");
    a.RequireDone();
    return [=](Runner& r) { r.host().machine().vpnServer.hangupPolls = static_cast<int>(polls); };
}

Action ServerDropsLink(Args& a) {
    a.RequireDone();
    return [](Runner& r) {
        // The campus server's link: connections of "Zelta VPN" go down, any other stays up.
        sim::Machine& machine = r.host().machine();
        for (sim::SimConnection& c : machine.connections) {
            if (c.hangingUp || c.state != rascs::kConnected || !EqualsNoCase(c.entry, kEntryName)) continue;
            c.state = rascs::kDisconnected;
            sim::ConnectionDown(machine, c);
            r.host().journal().Note("dial", "the server dropped \"" + c.entry + "\"");
        }
    };
}

Action Server(Args& a) {
    const std::string what =
        a.Next("accepts, refuses, states, step, projection, drops-link, hangup-polls, rasdial-fails, late-event, ipsec or statistics");
    const std::pair<const char*, Action (*)(Args&)> statements[] = {
        {"statistics", ServerStatistics},
        {"ipsec", ServerIpsec},
        {"rasdial-fails", ServerRasdialFails},
        {"late-event", ServerLateEvent},
        {"accepts", ServerAccepts},
        {"refuses", ServerRefuses},
        {"states", ServerStates},
        {"step", ServerStep},
        {"projection", ServerProjection},
        {"hangup-polls", ServerHangupPolls},
        {"drops-link", ServerDropsLink},
    };
    for (const auto& [name, compile] : statements)
        if (EqualsNoCase(what, name)) return compile(a);
    a.Fail("unknown server statement '" + what + "'");
}

// `ras-record-sizes connection|entry SIZE...`: the record sizes the system takes from now on.
Action RasRecordSizes(Args& a) {
    const bool connection = a.Accept("connection");
    if (!connection) a.Require("entry");
    std::vector<std::uint32_t> sizes;
    while (!a.Done()) sizes.push_back(a.Unsigned("a record size in bytes"));
    if (sizes.empty()) a.Fail("expected the record sizes the system takes");
    return [=](Runner& r) {
        sim::VpnServer& server = r.host().machine().vpnServer;
        (connection ? server.connectionSizes : server.entrySizes) = sizes;
    };
}

// A SecurID message: the length byte and the text.
std::vector<std::uint8_t> Message(Args& a, const std::string& text) {
    if (text.size() > 255) a.Fail("a message holds at most 255 bytes of text (use 'securid raw' for others)");
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(text.size())};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

// Words after a connection has played the script start a new one; before that they add to it, in
// whatever order they come.
sim::SecurIdPeer& NewScriptIfPlayed(sim::SecurIdPeer& peer) {
    if (peer.played) {
        peer.script.clear();
        peer.played = false;
    }
    return peer;
}

// The scripted SecurID server: `peer` makes it connect at projection, the other words are its script.
Action SecurId(Args& a) {
    using Kind = sim::SecurIdStep::Kind;
    const std::string what = a.Next("peer, no-peer, intruder, prompt, verdict, stall, close or raw");
    if (EqualsNoCase(what, "peer")) {
        std::optional<Ipv4> from;
        auto moment = sim::SecurIdMoment::AtProjection;
        std::uint64_t delay = 0;
        while (!a.Done()) {
            if (a.Accept("from")) {
                from = a.Address("the peer's address");
            } else if (a.Accept("while-dialling")) {
                moment = sim::SecurIdMoment::WhileDialling;
            } else {
                a.Require("after");
                moment = sim::SecurIdMoment::AfterProjection;
                delay = a.Duration();
            }
        }
        return [=](Runner& r) {
            sim::SecurIdPeer& peer = NewScriptIfPlayed(r.host().machine().securIdPeer);
            peer.connects = true;
            peer.from = from;
            peer.moment = moment;
            peer.delay = delay;
        };
    }
    if (EqualsNoCase(what, "no-peer")) {
        a.RequireDone();
        return [](Runner& r) { r.host().machine().securIdPeer.connects = false; };
    }
    if (EqualsNoCase(what, "intruder")) {
        sim::SecurIdIntruder intruder;
        if (!a.Accept("local")) {
            a.Require("from");
            intruder.from = a.Address("the intruder's address");
        }
        if (a.Accept("while-dialling")) intruder.moment = sim::SecurIdMoment::WhileDialling;
        if (a.Accept("prompt")) intruder.prompt = Message(a, a.Next("a prompt text"));
        a.RequireDone();
        return [=](Runner& r) { r.host().machine().securIdIntruders.push_back(intruder); };
    }
    sim::SecurIdStep step;
    if (EqualsNoCase(what, "prompt")) {
        step.bytes = Message(a, a.Next("a prompt text"));
        if (a.Accept("split")) step.split = a.Unsigned("a byte count");
    } else if (EqualsNoCase(what, "verdict")) {
        step.kind = Kind::Verdict;
        if (a.Accept("accept")) {
            step.bytes = {0};
        } else if (a.Accept("raw")) {
            step.bytes = a.Bytes();
            if (step.bytes.empty()) a.Fail("expected the verdict's bytes");
        } else {
            a.Require("prompt");
            step.bytes = Message(a, a.Next("a prompt text"));
        }
    } else if (EqualsNoCase(what, "stall")) {
        step.kind = Kind::Stall;
        step.duration = a.Duration();
    } else if (EqualsNoCase(what, "close")) {
        step.kind = Kind::Close;
    } else if (EqualsNoCase(what, "raw")) {
        step.bytes = a.Bytes();
        if (step.bytes.empty()) a.Fail("expected the bytes to send");
    } else {
        a.Fail("unknown securid statement '" + what + "'");
    }
    a.RequireDone();
    return [=](Runner& r) { NewScriptIfPlayed(r.host().machine().securIdPeer).script.push_back(step); };
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
                               {"dial-params", DialParams},
                               {"connection", Connection},
                               {"helper-service", HelperService},
                               {"pipe", Pipe},
                               {"server", Server},
                               {"ras-record-sizes", RasRecordSizes},
                               {"securid", SecurId}});
}

}  // namespace zelta::campus
