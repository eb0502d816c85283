// Remote-access connections of the simulated machine: dialling against the scripted VPN server,
// the tunnel interface a connection brings, hang-up and loss.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/sim/programs.h"
#include "platform/sim/remote_access.h"
#include "platform/sim/sockets.h"
#include "platform/text.h"

namespace zelta::sim {
namespace {

constexpr Win32Error kInvalidHandle = 6;
constexpr Win32Error kProtocolNotConfigured = 731;

void Note(const Machine& machine, const std::string& text) { machine.journal.Note("dial", text); }

constexpr Win32Error kIpsecNegotiationFailed = 789;  // the security layer's initial negotiation failed

// Whether an L2TP dial of `entryName` gets through the server's IPsec, as Windows negotiates it: from
// 6.0 on from the entry itself (the pre-shared key the server expects, or a certificate the machine
// has); before, only through an assigned local IPsec policy. A server without IPsec takes any dial.
bool IpsecAgrees(const Machine& machine, const Phonebook& book, const std::string& entryName) {
    const auto& ipsec = machine.vpnServer.ipsec;
    const auto entry = book.entries.find(entryName);
    if (!ipsec || entry == book.entries.end() || entry->second.dwVpnStrategy != rasentry::kVpnL2tpOnly) return true;
    if (machine.osVersion && RoadFor(*machine.osVersion) == WindowsRoad::Vista) {
        const bool usesKey = (entry->second.dwfOptions2 & rasentry::kOption2UsePreSharedKey) != 0;
        if (ipsec->certificate) return !usesKey && machine.machineCertificate;
        const auto key = book.presharedKeys.find(entryName);
        return usesKey && key != book.presharedKeys.end() && key->second == ipsec->presharedKey;
    }
    return std::any_of(machine.ipsecPolicies.begin(), machine.ipsecPolicies.end(),
                       [](const auto& policy) { return policy.second.assigned; });
}

// Delivers one "RasDialEvent" to the notifier window, as the remote-access manager posts it.
void PostDialEvent(Desktop& desktop, WindowHandle notifier, std::uint32_t state, Win32Error error) {
    SimWindow* window = desktop.Find(notifier);
    if (!window) return;
    auto it = desktop.registeredMessages.find("RasDialEvent");
    if (it == desktop.registeredMessages.end())
        it = desktop.registeredMessages
                 .emplace("RasDialEvent", static_cast<std::uint32_t>(0xC000 + desktop.registeredMessages.size()))
                 .first;
    const std::uint32_t message = it->second;
    window->Post([message, state, error](SimWindow& w) {
        w.controller().OnRegisteredMessage(message, state, static_cast<std::intptr_t>(error));
    });
}

// The remote-access manager had the dial's next state queued when the hang-up came: it still
// arrives, one step later, for a connection that is going or gone.
void PostLateDialEvent(Machine& machine, Desktop& desktop, Scheduler& scheduler, const SimConnection& connection) {
    const auto& states = machine.vpnServer.states;
    auto next = std::find(states.begin(), states.end(), connection.state);
    next = next == states.end() ? states.begin() : std::next(next);
    if (next == states.end()) return;
    const std::uint32_t state = *next;
    const WindowHandle notifier = connection.notifier;
    scheduler.After(machine.vpnServer.step, [&machine, &desktop, notifier, state] {
        machine.journal.Note("dial", "state " + std::to_string(state) + " arrives after the hang-up");
        PostDialEvent(desktop, notifier, state, 0);
    });
}

}  // namespace

SimConnection* FindConnection(Machine& machine, RasConnectionHandle handle) {
    for (SimConnection& c : machine.connections)
        if (c.handle == handle) return &c;
    return nullptr;
}

// The tunnel appears as an interface of its own, with the client address, so that routes through
// it can be added and the IP stack can choose it.
void ConnectionUp(Machine& machine, SimConnection& connection) {
    std::uint32_t ifIndex = 0x20000;
    for (const SimAdapter& a : machine.adapters) ifIndex = std::max(ifIndex, a.info.Index + 1);
    AdapterInfo tunnel;
    tunnel.AdapterName = "{TUNNEL-" + std::to_string(connection.handle.value) + "}";
    tunnel.Description = "WAN (PPP/SLIP) Interface";
    tunnel.Index = ifIndex;
    tunnel.Type = 23;  // MIB_IF_TYPE_PPP
    tunnel.IpAddressList.push_back({connection.client, "255.255.255.255"});
    machine.adapters.push_back(SimAdapter{tunnel, {}, std::nullopt, {}});
    const auto client = Ipv4::Parse(connection.client);
    if (client) machine.routes.push_back(RouteRow{*client, Ipv4{{255, 255, 255, 255}}, *client, ifIndex, 1, 3, 2});
    connection.ifIndex = ifIndex;
    if (!connection.remoteDefaultGateway || !client) return;
    // "Use default gateway on remote network": the other default routes step back by one, and the
    // tunnel's own takes the lead.
    const Ipv4 any{{0, 0, 0, 0}};
    for (RouteRow& row : machine.routes) {
        if (row.dest != any || row.mask != any) continue;
        connection.raisedDefaults.push_back(row);
        ++row.metric;
        machine.journal.Note("route", "default route via " + row.nextHop.ToString() + " if " + std::to_string(row.ifIndex) +
                                          " metric " + std::to_string(row.metric) + " (raised by remote access)");
    }
    const RouteRow tunnelDefault{any, any, *client, ifIndex, 1, 3, 3};
    machine.routes.push_back(tunnelDefault);
    machine.journal.Note("route", "+ 0.0.0.0/0.0.0.0 via " + client->ToString() + " if " + std::to_string(ifIndex) +
                                      " metric 1 (remote access: the remote default gateway)");
}

// The tunnel goes away with every route through it, as Windows removes them, and the default routes
// it had stepped back get their metrics again.
void ConnectionDown(Machine& machine, SimConnection& connection) {
    if (connection.ifIndex == 0) return;
    const std::uint32_t ifIndex = connection.ifIndex;
    std::erase_if(machine.routes, [ifIndex](const RouteRow& r) { return r.ifIndex == ifIndex; });
    std::erase_if(machine.adapters, [ifIndex](const SimAdapter& a) { return a.info.Index == ifIndex; });
    for (const RouteRow& before : connection.raisedDefaults) {
        for (RouteRow& row : machine.routes) {
            if (row.dest != before.dest || row.mask != before.mask || row.nextHop != before.nextHop ||
                row.ifIndex != before.ifIndex || row.metric != before.metric + 1)
                continue;
            row.metric = before.metric;
            machine.journal.Note("route", "default route via " + row.nextHop.ToString() + " if " +
                                              std::to_string(row.ifIndex) + " metric " + std::to_string(row.metric) +
                                              " (restored by remote access)");
            break;
        }
    }
    connection.raisedDefaults.clear();
    connection.ifIndex = 0;
}

Win32Error SimRemoteAccess::GetEntryDialParams(std::string_view phonebook, std::string_view entry, RasDialParams& out,
                                                bool& passwordSaved) {
    if (auto fault = m_faults.Check("RasGetEntryDialParams", entry)) return *fault;
    Phonebook& book = m_machine.PhonebookAt(phonebook);
    if (!book.entries.contains(entry)) return ras_error::kCannotFindPhonebookEntry;
    out.szEntryName = std::string(entry);
    passwordSaved = false;
    const auto it = book.dialParams.find(entry);
    if (it == book.dialParams.end()) return err::kSuccess;
    out.szUserName = it->second.userName;
    out.szDomain = it->second.domain;
    passwordSaved = it->second.passwordSaved;
    if (passwordSaved) out.szPassword.Assign(it->second.password);
    return err::kSuccess;
}

Win32Error SimRemoteAccess::SetEntryDialParams(std::string_view phonebook, const RasDialParams& params,
                                                bool removePassword) {
    if (auto fault = m_faults.Check("RasSetEntryDialParams", params.szEntryName)) return *fault;
    Phonebook& book = m_machine.PhonebookAt(phonebook);
    if (!book.entries.contains(params.szEntryName)) return ras_error::kCannotFindPhonebookEntry;
    SavedDialParams& saved = book.dialParams[params.szEntryName];
    saved.userName = params.szUserName;
    saved.domain = params.szDomain;
    saved.passwordSaved = !removePassword;
    saved.password = removePassword ? std::string() : std::string(params.szPassword.View());
    Note(m_machine, "dial parameters of \"" + params.szEntryName + "\"" + InBook(phonebook) + " stored for " +
                        saved.userName + (removePassword ? ", no password" : ", with password"));
    return err::kSuccess;
}

Win32Error SimRemoteAccess::Dial(const RasDialParams& params, bool customDial, WindowHandle notifier,
                                 RasConnectionHandle& out) {
    RasDialExtensions extensions;
    extensions.dwfOptions = customDial ? kRasCustomDialOption : 0;
    return DialWith(extensions, "", params, RasNotifier::Window(notifier), out);
}

Win32Error SimRemoteAccess::DialWith(const RasDialExtensions& extensions, std::string_view phonebook,
                                     const RasDialParams& params, RasNotifier notifier, RasConnectionHandle& out) {
    // An entry with a custom dialer is that library's to dial, unless the dial comes from it.
    Phonebook& book = m_machine.PhonebookAt(phonebook);
    const auto entry = book.entries.find(params.szEntryName);
    if (!(extensions.dwfOptions & kRasCustomDialOption) && entry != book.entries.end() &&
        !entry->second.szCustomDialDll.empty() && m_loadLibrary) {
        if (CustomDialLibrary* library = m_loadLibrary(entry->second.szCustomDialDll)) {
            Note(m_machine, "\"" + params.szEntryName + "\" goes to its custom dialer " + entry->second.szCustomDialDll);
            RasDialExtensions copy = extensions;
            RasDialParams paramsCopy = params.Clone();
            return library->RasCustomDial(&copy, phonebook, &paramsCopy, notifier, out);
        }
    }
    char options[64];
    std::snprintf(options, sizeof options, "extensions of %u bytes, options 0x%08X", extensions.dwSize, extensions.dwfOptions);
    Note(m_machine, options);
    m_machine.vpnServer.lastExtensions = extensions;
    if (notifier.type == RasNotifier::kWindowType)
        return StartDial(book, params, WindowHandle{static_cast<std::uint32_t>(notifier.value)}, out);
    if (notifier.value != 0)
        throw SimSetupError("RemoteAccess::DialWith: the simulated host notifies windows only, not callbacks");
    // No notifier: the call returns with the outcome.
    const Win32Error rc = StartDial(book, params, WindowHandle{}, out);
    if (rc != err::kSuccess) return rc;
    const RasConnectionHandle handle = out;
    Machine& machine = m_machine;
    m_scheduler.BlockUntil([&machine, handle] {
        const SimConnection* c = FindConnection(machine, handle);
        return !c || c->error != 0 || c->state == rascs::kConnected || c->hangingUp;
    }, std::nullopt);
    const SimConnection* c = FindConnection(m_machine, handle);
    if (!c || c->hangingUp) return ras_error::kUserDisconnection;
    return c->error;
}

Win32Error SimRemoteAccess::StartDial(const Phonebook& book, const RasDialParams& params, WindowHandle notifier,
                                      RasConnectionHandle& out) {
    if (auto fault = m_faults.Check("RasDial", params.szEntryName)) return *fault;
    if (!book.entries.contains(params.szEntryName)) return ras_error::kCannotFindPhonebookEntry;
    VpnServer& server = m_machine.vpnServer;
    const int attempt = ++server.attempts;
    SimConnection connection;
    connection.handle = RasConnectionHandle{m_machine.nextConnection++};
    connection.entry = params.szEntryName;
    connection.userName = params.szUserName;
    connection.remoteDefaultGateway =
        (book.entries.find(params.szEntryName)->second.dwfOptions & rasentry::kOptionRemoteDefaultGateway) != 0;
    connection.notifier = notifier;
    m_machine.connections.push_back(connection);
    out = connection.handle;
    Note(m_machine, "dialling \"" + params.szEntryName + "\" as " + params.szUserName + " (attempt " +
                        std::to_string(attempt) + ")");
    if (const auto failure = std::exchange(server.failAfterHandle, std::nullopt)) {
        // The call made its handle and then failed: no dial events follow, the handle waits for a hang-up.
        Note(m_machine, "RasDial returns " + std::to_string(*failure) + " with its handle made");
        return *failure;
    }

    const bool ipsecOk = IpsecAgrees(m_machine, book, params.szEntryName);
    if (!ipsecOk) Note(m_machine, "the IPsec negotiation with the server fails");
    const auto accepted = server.accepts.find(params.szUserName);
    const bool credentialsOk = accepted != server.accepts.end() && accepted->second == params.szPassword.View();
    const auto refusal = server.refusals.find(attempt);
    const RasConnectionHandle handle = connection.handle;
    Machine& machine = m_machine;
    Desktop& desktop = m_desktop;
    Scheduler& scheduler = m_scheduler;
    std::uint64_t at = 0;
    for (const std::uint32_t state : server.states) {
        at += server.step;
        // What the server answers at this step: a scripted refusal at the first, a wrong password at
        // authentication, otherwise the state itself.
        Win32Error error = 0;
        if (refusal != server.refusals.end() && state == server.states.front()) error = refusal->second;
        if (!ipsecOk && state == server.states.front()) error = kIpsecNegotiationFailed;
        if (state == rascs::kAuthenticate && !credentialsOk) error = ras_error::kAuthenticationFailure;
        const bool first = at == server.step;
        m_scheduler.After(at, [&machine, &desktop, &scheduler, handle, notifier, state, error, first] {
            SimConnection* c = FindConnection(machine, handle);
            if (!c || c->hangingUp || c->error != 0) return;
            c->state = state;
            c->error = error;
            if (first && error == 0) SecurIdDialBegins(machine, scheduler, *c);
            if (state == rascs::kProjected && error == 0) {
                if (!machine.vpnServer.projection)
                    throw SimSetupError("the VPN server has no tunnel addresses to project; give them with "
                                        "'server projection CLIENT SERVER'");
                c->projected = true;
                c->upSince = scheduler.Now();
                c->client = machine.vpnServer.projection->first;
                c->server = machine.vpnServer.projection->second;
                ConnectionUp(machine, *c);
                SecurIdPeerConnects(machine, scheduler, *c);
            }
            machine.journal.Note("dial", "state " + std::to_string(state) + (error ? ", error " + std::to_string(error) : ""));
            PostDialEvent(desktop, notifier, state, error);
        });
        if (error != 0) break;
    }
    return err::kSuccess;
}

Win32Error SimRemoteAccess::HangUp(RasConnectionHandle handle) {
    if (auto fault = m_faults.Check("RasHangUp")) return *fault;
    SimConnection* c = FindConnection(m_machine, handle);
    if (!c) return kInvalidHandle;
    if (!c->hangingUp) {
        c->hangingUp = true;
        c->pollsLeft = m_machine.vpnServer.hangupPolls;
        ConnectionDown(m_machine, *c);
        Note(m_machine, "hanging up \"" + c->entry + "\"");
        if (c->state != rascs::kConnected && c->error == 0 && c->notifier && std::exchange(m_machine.vpnServer.lateEvent, false))
            PostLateDialEvent(m_machine, m_desktop, m_scheduler, *c);
    }
    return err::kSuccess;
}

Win32Error SimRemoteAccess::GetConnectStatus(RasConnectionHandle handle, std::uint32_t& state, Win32Error& error) {
    if (auto fault = m_faults.Check("RasGetConnectStatus")) return *fault;
    SimConnection* c = FindConnection(m_machine, handle);
    if (!c) return kInvalidHandle;
    if (c->hangingUp && --c->pollsLeft <= 0) {
        const std::string entry = c->entry;
        std::erase_if(m_machine.connections, [handle](const SimConnection& x) { return x.handle == handle; });
        Note(m_machine, "\"" + entry + "\" is gone");
        return kInvalidHandle;
    }
    state = c->state;
    error = c->error;
    return err::kSuccess;
}

Win32Error SimRemoteAccess::GetIpProjection(RasConnectionHandle handle, std::string& clientAddress,
                                            std::string& serverAddress) {
    if (auto fault = m_faults.Check("RasGetProjectionInfo")) return *fault;
    SimConnection* c = FindConnection(m_machine, handle);
    if (!c || c->hangingUp) return kInvalidHandle;
    if (!c->projected) return kProtocolNotConfigured;
    clientAddress = c->client;
    serverAddress = c->server;
    return err::kSuccess;
}

Win32Error SimRemoteAccess::ConnectionStatistics(RasConnectionHandle handle, RasStatistics& out) {
    if (auto fault = m_faults.Check("RasGetConnectionStatistics")) return *fault;
    const SimConnection* c = FindConnection(m_machine, handle);
    if (!c || c->hangingUp) return kInvalidHandle;
    out = m_machine.vpnServer.statistics;
    out.connectDurationMs = c->projected ? static_cast<std::uint32_t>(m_scheduler.Now() - c->upSince) : 0;
    return err::kSuccess;
}

// Each Windows takes only its own record form here, so the caller's probing of the forms runs.
Win32Error SimRemoteAccess::EnumConnections(RasConnForm form, std::size_t capacity, std::vector<RasConnection>& out) {
    if (auto fault = m_faults.Check("RasEnumConnections")) return *fault;
    if (const auto& sizes = m_machine.vpnServer.connectionSizes) {
        if (std::find(sizes->begin(), sizes->end(), static_cast<std::uint32_t>(form)) == sizes->end())
            return ras_error::kInvalidSize;
    } else if (!m_machine.osVersion) {
        throw SimSetupError("RemoteAccess::EnumConnections: the machine has no OS version; set it with "
                            "SimHost::SetOsVersion");
    } else {
        const OsVersion& v = *m_machine.osVersion;
        const RasConnForm own = v.major < 5 ? RasConnForm::Nt4 : v.minor == 0 && v.major == 5 ? RasConnForm::Windows2000
                                                                                             : RasConnForm::WindowsXp;
        if (form != own) return ras_error::kInvalidSize;
    }
    out.clear();
    for (const SimConnection& c : m_machine.connections) {
        if (c.hangingUp) continue;
        if (out.size() == capacity) return ras_error::kBufferTooSmall;
        out.push_back(RasConnection{c.handle, c.entry});
    }
    return err::kSuccess;
}

bool SimRemoteAccess::ErrorString(Win32Error code, std::string& out) {
    const auto it = m_machine.rasErrorTexts.find(code);
    if (it == m_machine.rasErrorTexts.end()) return false;
    out = it->second;
    return true;
}

}  // namespace zelta::sim
