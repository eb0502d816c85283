// Machine: the simulated Windows host's own facts that are not files or registry: its OS version,
// wall clock, desktops, name service, services, system messages and debugger output. Fields left
// unset make the calls that need them fail loudly with what to configure.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ip_helper.h"
#include "platform/remote_access.h"
#include "platform/ui.h"
#include "platform/ipv4.h"
#include "platform/event_log.h"
#include "platform/named_pipe.h"
#include "platform/service_host.h"
#include "platform/service_manager.h"
#include "platform/system_info.h"
#include "platform/wireless_lan.h"
#include "platform/sim/journal.h"
#include "platform/text.h"

namespace zelta::sim {

struct ServiceRecord {
    ServiceState state = ServiceState::Stopped;
    ServiceStartType startType = ServiceStartType::Demand;
    std::vector<std::string> dependsOn;  // services this one needs (it is their dependant)
    std::uint64_t stopDelay = 0;         // ms spent stop pending before stopped
    std::uint64_t startDelay = 0;        // ms spent start pending before running
    bool hangsStopping = false;          // stays stop pending for ever
    bool failsToStart = false;           // goes back to stopped instead of running

    // A service installed with CreateService runs a program of the machine: what its binary path
    // names. Services a scenario merely declares have none and change state on their delays.
    std::string displayName;
    std::string description;
    std::string binaryPath;
    int processId = 0;                       // the program serving it while it runs
    bool dispatcherConnected = false;        // its program called StartServiceCtrlDispatcher
    bool acceptsSessionChanges = false;
    std::deque<ServiceControlEvent> controls;  // sent to its program, not taken yet
    bool markedForDelete = false;              // goes once stopped and no handle is open
    int openHandles = 0;                       // OpenService handles not yet closed
    Win32Error exitCode = 0;                   // what it reported when it stopped
};

// A row of the IPv4 forwarding table.
struct RouteRow {
    Ipv4 dest;
    Ipv4 mask;
    Ipv4 nextHop;
    std::uint32_t ifIndex = 0;
    std::uint32_t metric = 1;
    std::uint32_t type = 4;   // MIB_IPROUTE_TYPE_INDIRECT
    std::uint32_t proto = 3;  // MIB_IPPROTO_NETMGMT: added by the route program
    friend bool operator==(const RouteRow&, const RouteRow&) = default;
};

// What an adapter's interface-table row says beyond its AdapterInfo.
struct SimInterface {
    std::uint32_t speed = 0;            // bits per second
    std::uint32_t operStatus = 5;       // MIB_IF_OPER_STATUS_OPERATIONAL
    std::uint32_t adminStatus = 1;      // MIB_IF_ADMIN_STATUS_UP
    std::uint32_t lastChange = 0;       // sysUpTime, in hundredths of a second, of the last status change
    std::map<std::string, std::uint32_t> counters;  // by the row's field name: dwInOctets, dwOutErrors...
    std::optional<std::uint32_t> type;  // default: the adapter's Type
    std::optional<std::string> description;  // default: the adapter's Description
    std::vector<RouteRow> unpluggedRoutes;   // taken away with the cable, back when it is plugged
};

// A network adapter: what GetAdaptersInfo says of it, what its NDIS driver answers, and its row
// of the interface table.
struct SimAdapter {
    AdapterInfo info;
    std::map<std::uint32_t, std::vector<std::uint8_t>> oids;  // OID -> the bytes the driver returns
    std::optional<std::vector<std::uint32_t>> supportedList;  // default: the OIDs above
    SimInterface iface;
    // A native Wi-Fi adapter's view through the Wireless LAN API: its association, its last scan.
    std::optional<WlanLink> wlanLink;
    std::vector<WlanBss> wlanBss;
};

// A policy in the local IPsec policy store, as the IPsec tools left it.
struct IpsecPolicy {
    // Its objects' keys in the registry's local store (ipsecPolicy{...}, ipsecNFA{...}, ...).
    std::string policyKey, isakmpKey, nfaKey, negotiationKey, filterKey;
    bool assigned = false;
    std::string rule;
    std::string filter;
    std::string negotiation;
    std::string ikeLifetime;
    std::string ikeSecurity;
    std::string authentication;
};

struct CommandRun {
    std::string program;      // the image that ran it
    std::string commandLine;
    std::string file;         // the program file that ran (the system's route: the system directory's)
    bool waited = true;
    Win32Error result = 0;    // the creation error, or 0
    std::uint32_t exitCode = 0;
    std::string window = "hidden";  // how it was asked to show its window: "hidden" or "default"
};

struct SavedDialParams {
    std::string userName;
    std::string password;
    bool passwordSaved = false;
    std::string domain;
};

// A phonebook: the default one also holds the remote-access devices.
struct Phonebook {
    std::map<std::string, RasEntry, NoCaseLess> entries;
    std::vector<RasDevice> devices;
    std::vector<std::string> writes;  // the entry name of every successful RasSetEntryProperties
    std::map<std::string, SavedDialParams, NoCaseLess> dialParams;
    std::map<std::string, std::string, NoCaseLess> presharedKeys;  // RasSetCredentials, by entry
};

// What the VPN server's IPsec takes: a pre-shared key, or a machine certificate.
struct ServerIpsec {
    std::string presharedKey;
    bool certificate = false;
};

// The VPN server at the far end, as a scenario scripts it.
struct VpnServer {
    std::map<std::string, std::string> accepts;  // user name -> password
    std::map<int, Win32Error> refusals;           // dial attempt (from 1) -> remote-access error
    std::vector<std::uint32_t> states = {0, 1, 2, 3, 4, 5, 6, 10, 14, 18, 0x2000};
    std::uint64_t step = 200;                     // ms between two reported states
    std::optional<std::pair<std::string, std::string>> projection;  // client, server
    int hangupPolls = 1;
    int attempts = 0;
    std::optional<RasDialExtensions> lastExtensions;  // what the latest RasDial was given
    std::optional<Win32Error> failAfterHandle;  // the next RasDial makes its handle, then fails with this
    bool lateEvent = false;  // the next hang-up of a dial under way is followed by one more dial event
    // The record sizes RasEnumConnections and the entry calls take; none: what the OS version takes.
    std::optional<std::vector<std::uint32_t>> connectionSizes, entrySizes;
    RasStatistics statistics;  // what RasGetConnectionStatistics counts on a connection (the duration aside)
    // What an L2TP dial's IPsec must agree on; none: nothing is negotiated (any L2TP dial gets through).
    std::optional<ServerIpsec> ipsec;
};

// A remote-access connection of the machine.
struct SimConnection {
    RasConnectionHandle handle;
    std::string entry;
    std::string userName;
    std::uint32_t state = 0;
    Win32Error error = 0;
    bool projected = false;
    std::uint64_t upSince = 0;  // virtual ms when it was projected
    bool hangingUp = false;
    int pollsLeft = 0;
    std::string client;
    std::string server;
    std::uint32_t ifIndex = 0;  // the tunnel's interface once connected, 0 before
    bool remoteDefaultGateway = false;  // the entry's RASEO_RemoteDefaultGateway, as dialled
    WindowHandle notifier;               // the window its dial events go to
    std::vector<RouteRow> raisedDefaults;  // the default routes whose metric it raised, as they were
};

// A named mutex: the process that holds it (0 for none of the machine's programs) and the account
// that created it, its owner.
struct MutexHolder {
    int processId = 0;
    std::string owner = "SYSTEM";
};

// A data section shared by every process of one image.
struct SharedSection {
    static constexpr std::size_t kSize = 4096;  // one page, as the linker lays it out
    std::array<std::uint8_t, kSize> bytes{};
    WindowHandle Window() const {
        return WindowHandle{static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                                       static_cast<std::uint32_t>(bytes[3]) << 24)};
    }
    void SetWindow(WindowHandle window) {
        for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(window.value >> (8 * i));
    }
};

// A named pipe's server end, scripted as the helper service would answer (no program behind it).
struct PipeServer {
    std::uint64_t busyUntil = 0;  // virtual ms; every instance is busy before then
    std::uint64_t replyDelay = 0; // ms between the request and its reply
    std::map<std::uint8_t, std::vector<std::uint8_t>> replies;  // by the request's first byte
    std::vector<std::uint8_t> defaultReply;
    std::vector<std::vector<std::uint8_t>> received;
    std::string owner = "SYSTEM";  // the account its security descriptor names as owner
};

// One client's connection to a pipe a program serves: one instance while it lasts.
struct PipeSession {
    std::string clientLabel;  // the client process, for the transcript
    PipeClient client;        // who it is, as impersonation tells
    std::uint64_t connectedAt = 0;                      // virtual ms
    std::optional<std::vector<std::uint8_t>> request;  // what it wrote, once it wrote
    std::optional<std::vector<std::uint8_t>> reply;    // what the server wrote back
    bool taken = false;                                 // the server has this connection
    bool serverClosed = false;                          // the server disconnected it
    bool clientClosed = false;                          // the client went away
};

// A pipe created by a program of the machine through CreateNamedPipe.
struct ServedPipe {
    int processId = 0;   // the program that created it
    PipeOwner owner;     // as its security descriptor names it
    PipeSecurity security;
    PipeServing serving;
    std::vector<std::shared_ptr<PipeSession>> clients;  // one for each instance that holds a client
};

// A record of the Application event log.
struct EventRecord {
    std::string source;
    EventType type = EventType::Information;
    std::uint32_t eventId = 0;
    std::vector<std::string> strings;
};

// One TCP connection to a listener of the machine, both directions.
struct TcpLink {
    Ipv4 local;                          // the machine's address it arrived on
    Ipv4 peer;
    std::deque<std::uint8_t> toMachine;  // sent by the peer, not yet read
    bool peerClosed = false;
    bool machineClosed = false;
    std::vector<std::uint8_t> received;  // everything the machine sent
    int unansweredSends = 0;             // the machine's sends the peer has not answered yet
    std::function<void()> onSend;        // the peer waits for the machine's next send
};

// One step of the scripted SecurID server.
struct SecurIdStep {
    enum class Kind { Send, Verdict, Stall, Close };
    Kind kind = Kind::Send;
    std::vector<std::uint8_t> bytes;  // Send, Verdict: the message
    std::size_t split = 0;            // Send: a first part of this many bytes, the rest later
    std::uint64_t duration = 0;       // Stall
};

// When a peer connects to port 2868: once the dial has begun (the tunnel is not there yet), when it
// reaches IP projection, or some time after that.
enum class SecurIdMoment { WhileDialling, AtProjection, AfterProjection };

// The far end's SecurID New PIN dialogue: when a dial reaches IP projection (or at its moment) it
// connects to the machine's port 2868 and plays its script.
struct SecurIdPeer {
    bool connects = false;
    std::optional<Ipv4> from;  // a peer on the LAN rather than the server through the tunnel
    SecurIdMoment moment = SecurIdMoment::AtProjection;
    std::uint64_t delay = 0;   // after projection
    std::vector<SecurIdStep> script;
    bool played = false;            // a connection has played the script: the next words start a new one
    std::shared_ptr<TcpLink> last;  // the latest connection
};

// Somebody else on port 2868 with a prompt of its own: a machine on the LAN, or a program on this
// machine connecting to the tunnel's own address.
struct SecurIdIntruder {
    std::optional<Ipv4> from;  // none: a program on the machine itself
    SecurIdMoment moment = SecurIdMoment::AtProjection;
    std::vector<std::uint8_t> prompt;  // sent as soon as it is connected
    std::shared_ptr<TcpLink> last;
};

struct DebugLine {
    std::string program;
    std::string text;
};

// The system's own facts: its version, clocks, code page and message texts, what programs wrote to
// the debugger and the console, the commands run, the IPsec store, and the journal of it all.
struct SystemFacts {
    std::optional<OsVersion> osVersion;
    std::optional<LocalTime> wallClockAtStart;  // local time when virtual time was 0
    std::uint32_t tickCountAtStart = 0;
    std::uint32_t ansiCodePage = 1252;  // Windows-1252, or 932 (sim/code_page.h)
    std::map<Win32Error, std::string> errorTexts = DefaultErrorTexts();
    std::vector<DebugLine> debugOutput;
    std::vector<DebugLine> standardOutput;
    std::vector<CommandRun> commands;
    std::map<std::string, IpsecPolicy, NoCaseLess> ipsecPolicies;
    std::uint32_t ipsecObjects = 0;  // how many store objects the IPsec tools made: their GUIDs
    Journal journal;

    static std::map<Win32Error, std::string> DefaultErrorTexts();
};

// The network as the machine sees it: the name service, the adapters, the forwarding table and the
// TCP ports programs listen on.
struct Network {
    std::map<std::string, std::vector<Ipv4>, NoCaseLess> hosts;  // the name service's addresses, in its order
    std::vector<RouteRow> routes;
    std::deque<SimAdapter> adapters;      // a deque: references stay valid as adapters are added
    std::vector<std::string> dnsServers;
    std::map<std::uint16_t, std::deque<std::shared_ptr<TcpLink>>> listeners;  // port -> connections to accept
};

// Remote access: the phonebooks, the VPN server at the far end, and the connections to it.
struct RemoteAccessWorld {
    std::map<Win32Error, std::string> rasErrorTexts = DefaultRasErrorTexts();  // RasGetErrorString
    Phonebook phonebook;
    std::map<std::string, Phonebook, NoCaseLess> otherPhonebooks;  // by path: a user's own, say
    VpnServer vpnServer;
    std::deque<SimConnection> connections;
    std::uint64_t nextConnection = 0x5A00;
    bool machineCertificate = false;  // the machine's store has a certificate the VPN server trusts

    static std::map<Win32Error, std::string> DefaultRasErrorTexts();

    // The phonebook at `path` as a remote-access call names it ("" for the default one).
    Phonebook& PhonebookAt(std::string_view path) { return path.empty() ? phonebook : otherPhonebooks[std::string(path)]; }
};

// The services, the named pipes and the event log.
struct ServiceWorld {
    std::map<std::string, ServiceRecord, NoCaseLess> services;
    std::map<std::string, PipeServer, NoCaseLess> pipes;
    std::map<std::string, ServedPipe, NoCaseLess> servedPipes;
    std::map<std::string, std::vector<std::vector<std::uint8_t>>, NoCaseLess> servedRequests;  // by pipe name
    std::vector<EventRecord> eventLog;
};

// Who is logged on where: the desktops, the sessions and their users, the administrators, and what
// processes share (named mutexes, the programs' shared sections).
struct Sessions {
    std::optional<std::string> inputDesktop;
    std::uint32_t consoleSession = 0;
    std::set<std::uint32_t> sessions = {0};             // every session a process has run in
    std::map<std::uint32_t, std::string> sessionUsers;  // who logged on in each session (log-on, log-off)
    std::set<std::string, NoCaseLess> administrators = {"Administrator"};  // SYSTEM is one anyway
    std::map<std::string, MutexHolder, NoCaseLess> mutexHolders;  // by mutex name
    // The ".shr" section of each program image (by image name), which every process running the
    // image shares: the window handle at offset 0, little-endian.
    std::map<std::string, SharedSection, NoCaseLess> sharedSections;
};

// The SecurID server's dialogue through the tunnel, and the others who try port 2868.
struct SecurIdParties {
    SecurIdPeer securIdPeer;
    std::vector<SecurIdIntruder> securIdIntruders;
};

// The whole machine, in those parts; a seam that needs only one part takes only that.
struct Machine : SystemFacts, Network, RemoteAccessWorld, ServiceWorld, Sessions, SecurIdParties {};

}  // namespace zelta::sim
