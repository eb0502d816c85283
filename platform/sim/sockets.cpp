// Simulated listeners and connections. A wait blocks the calling program on virtual time while the
// peer's script runs on the driver; bytes form a stream, so a message sent in two parts is read in
// two parts when the second comes later.
#include "platform/sim/sockets.h"

#include <algorithm>
#include <utility>

namespace zelta::sim {
namespace {

constexpr std::uint64_t kSplitDelayMs = 500;  // between the two parts of a split message

void Note(const Machine& machine, const std::string& text) { machine.journal.Note("securid", text); }

std::string Endpoint(const TcpLink& link) { return link.local.ToString() + " from " + link.peer.ToString(); }

class SimConnectionSocket final : public Connection {
public:
    SimConnectionSocket(Machine& machine, Scheduler& scheduler, Faults& faults, std::shared_ptr<TcpLink> link)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults), m_link(std::move(link)) {}
    ~SimConnectionSocket() override {
        m_link->machineClosed = true;
        Note(m_machine, "the dialer closed the connection");
    }

    Win32Error WaitReadable(std::uint32_t seconds) override {
        if (auto fault = m_faults.Check("select")) return *fault;
        const auto ready = [link = m_link.get()] { return !link->toMachine.empty() || link->peerClosed; };
        if (ready()) return err::kSuccess;
        if (seconds == 0) return err::kTimeout;
        return m_scheduler.BlockUntil(ready, std::uint64_t{seconds} * 1000) ? err::kSuccess : err::kTimeout;
    }

    Win32Error Receive(std::size_t capacity, std::vector<std::uint8_t>& out) override {
        out.clear();
        if (auto fault = m_faults.Check("recv")) return *fault;
        TcpLink& link = *m_link;
        if (link.toMachine.empty() && !link.peerClosed)
            m_scheduler.BlockUntil([&link] { return !link.toMachine.empty() || link.peerClosed; }, std::nullopt);
        const std::size_t count = std::min(capacity, link.toMachine.size());
        out.assign(link.toMachine.begin(), link.toMachine.begin() + static_cast<std::ptrdiff_t>(count));
        link.toMachine.erase(link.toMachine.begin(), link.toMachine.begin() + static_cast<std::ptrdiff_t>(count));
        return err::kSuccess;
    }

    Win32Error Send(std::span<const std::uint8_t> bytes, std::size_t& sent) override {
        sent = 0;
        if (auto fault = m_faults.Check("send")) return *fault;
        TcpLink& link = *m_link;
        link.received.insert(link.received.end(), bytes.begin(), bytes.end());
        ++link.unansweredSends;
        sent = bytes.size();
        Note(m_machine, "<- " + HexBytes(bytes.data(), bytes.size()));
        if (link.onSend) m_scheduler.After(0, std::exchange(link.onSend, nullptr));
        return err::kSuccess;
    }

    Win32Error LocalAddress(Ipv4& out) override {
        if (auto fault = m_faults.Check("getsockname")) return *fault;
        out = m_link->local;
        return err::kSuccess;
    }

    Win32Error SetAbortiveClose() override {
        if (auto fault = m_faults.Check("setsockopt")) return *fault;
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
    std::shared_ptr<TcpLink> m_link;
};

class SimListener final : public Listener {
public:
    SimListener(Machine& machine, Scheduler& scheduler, Faults& faults)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults) {}
    ~SimListener() override {
        if (!m_listening) return;
        // Connections nobody accepted are reset.
        for (const auto& link : m_machine.listeners[m_port]) link->machineClosed = true;
        m_machine.listeners.erase(m_port);
        Note(m_machine, "port " + std::to_string(m_port) + " closed");
    }

    // A listening port is never shared on the simulated machine: what SO_EXCLUSIVEADDRUSE asks.
    Win32Error SetExclusiveAddress() override {
        if (auto fault = m_faults.Check("setsockopt")) return *fault;
        return err::kSuccess;
    }

    Win32Error Bind(std::uint16_t port) override {
        if (auto fault = m_faults.Check("bind", std::to_string(port))) return *fault;
        if (m_bound) return wsa::kInvalidArgument;
        if (m_machine.listeners.contains(port)) return wsa::kAddressInUse;
        m_bound = true;
        m_port = port;
        return err::kSuccess;
    }

    Win32Error Listen(int) override {
        if (auto fault = m_faults.Check("listen")) return *fault;
        if (!m_bound) return wsa::kInvalidArgument;
        if (m_machine.listeners.contains(m_port)) return wsa::kAddressInUse;
        m_machine.listeners[m_port];
        m_listening = true;
        Note(m_machine, "port " + std::to_string(m_port) + " listening");
        return err::kSuccess;
    }

    Win32Error LocalPort(std::uint16_t& out) override {
        if (!m_bound) return wsa::kInvalidArgument;
        out = m_port;
        return err::kSuccess;
    }

    Win32Error WaitAcceptable(std::uint32_t milliseconds) override {
        if (auto fault = m_faults.Check("select")) return *fault;
        if (!m_listening) return wsa::kInvalidArgument;
        auto& queue = m_machine.listeners[m_port];
        const auto ready = [&queue] { return !queue.empty(); };
        if (ready()) return err::kSuccess;
        if (milliseconds == 0) return err::kTimeout;
        return m_scheduler.BlockUntil(ready, milliseconds) ? err::kSuccess : err::kTimeout;
    }

    Win32Error Accept(std::unique_ptr<Connection>& out, Ipv4& peer) override {
        if (auto fault = m_faults.Check("accept")) return *fault;
        if (!m_listening) return wsa::kInvalidArgument;
        auto& queue = m_machine.listeners[m_port];
        if (queue.empty()) m_scheduler.BlockUntil([&queue] { return !queue.empty(); }, std::nullopt);
        std::shared_ptr<TcpLink> link = queue.front();
        queue.pop_front();
        peer = link->peer;
        Note(m_machine, "accepted on " + Endpoint(*link));
        out = std::make_unique<SimConnectionSocket>(m_machine, m_scheduler, m_faults, std::move(link));
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
    bool m_bound = false;
    bool m_listening = false;
    std::uint16_t m_port = 0;
};

void Deliver(const Machine& machine, TcpLink& link, std::span<const std::uint8_t> bytes) {
    if (link.machineClosed) return;
    link.toMachine.insert(link.toMachine.end(), bytes.begin(), bytes.end());
    Note(machine, "-> " + HexBytes(bytes.data(), bytes.size()));
}

// Plays the peer's script from `step` on, on the driver, until it must wait.
void Play(Machine& machine, Scheduler& scheduler, std::shared_ptr<TcpLink> link, std::size_t step) {
    const std::vector<SecurIdStep>& script = machine.securIdPeer.script;
    for (; step < script.size(); ++step) {
        if (link->machineClosed || link->peerClosed) return;
        const SecurIdStep& s = script[step];
        switch (s.kind) {
            case SecurIdStep::Kind::Send:
                if (s.split > 0 && s.split < s.bytes.size()) {
                    Deliver(machine, *link, std::span(s.bytes).first(s.split));
                    scheduler.After(kSplitDelayMs, [&machine, &scheduler, link, step] {
                        const SecurIdStep& late = machine.securIdPeer.script[step];
                        Deliver(machine, *link, std::span(late.bytes).subspan(late.split));
                        Play(machine, scheduler, link, step + 1);
                    });
                    return;
                }
                Deliver(machine, *link, s.bytes);
                break;
            case SecurIdStep::Kind::Verdict:
                if (link->unansweredSends == 0) {  // answers come after the dialer's reply
                    // Weak: the link holds this wake-up, which must not keep the link alive.
                    link->onSend = [&machine, &scheduler, weak = std::weak_ptr<TcpLink>(link), step] {
                        if (auto alive = weak.lock()) Play(machine, scheduler, std::move(alive), step);
                    };
                    return;
                }
                --link->unansweredSends;
                Deliver(machine, *link, s.bytes);
                break;
            case SecurIdStep::Kind::Stall:
                scheduler.After(s.duration, [&machine, &scheduler, link, step] { Play(machine, scheduler, link, step + 1); });
                return;
            case SecurIdStep::Kind::Close:
                link->peerClosed = true;
                Note(machine, "the server closed the connection");
                return;
        }
    }
}

// The machine's address on the LAN that faces `peer`: the adapter whose subnet holds it, or else
// the first adapter with an address.
Ipv4 LanAddressFacing(const Machine& machine, Ipv4 peer) {
    std::optional<Ipv4> first;
    for (const SimAdapter& adapter : machine.adapters) {
        for (const auto& [text, maskText] : adapter.info.IpAddressList) {
            const auto address = Ipv4::Parse(text);
            const auto mask = Ipv4::Parse(maskText);
            if (!address || !mask || address->NetworkOrderValue() == 0) continue;
            if (!first) first = address;
            if ((address->NetworkOrderValue() & mask->NetworkOrderValue()) ==
                (peer.NetworkOrderValue() & mask->NetworkOrderValue()))
                return *address;
        }
    }
    return first.value_or(Ipv4{});
}

}  // namespace

void SimSockets::ToWireSecret(const SecretBuffer& utf8, SecretBuffer& wire) {
    std::string bytes = Utf8ToAnsi(m_machine.ansiCodePage, utf8.View());
    AssignWhole(wire, bytes);
    SecureZero(bytes.data(), bytes.size());
}

Win32Error SimSockets::CreateListener(std::unique_ptr<Listener>& out) {
    if (auto fault = m_faults.Check("socket")) return *fault;
    out = std::make_unique<SimListener>(m_machine, m_scheduler, m_faults);
    return err::kSuccess;
}

namespace {

// Puts a connection from `peer` to `local`:2868 in the listener's queue; false when nothing listens.
bool ConnectTo2868(Machine& machine, const std::shared_ptr<TcpLink>& link, const std::string& who) {
    const auto listener = machine.listeners.find(kSecurIdPort);
    if (listener == machine.listeners.end()) {
        Note(machine, who + ": connection to " + link->local.ToString() + ":2868 refused: nothing listens");
        return false;
    }
    listener->second.push_back(link);
    Note(machine, who + " connects to " + Endpoint(*link) + ":2868");
    return true;
}

void PeerConnectsNow(Machine& machine, Scheduler& scheduler, const SimConnection& connection) {
    const SecurIdPeer& peer = machine.securIdPeer;
    auto link = std::make_shared<TcpLink>();
    const Ipv4 server = Ipv4::Parse(connection.server).value_or(Ipv4{});
    if (peer.from) {
        link->peer = *peer.from;
        link->local = LanAddressFacing(machine, *peer.from);
    } else if (!connection.projected) {  // no tunnel yet: the server can only reach the LAN address
        link->peer = server;
        link->local = LanAddressFacing(machine, server);
    } else {
        link->peer = server;
        link->local = Ipv4::Parse(connection.client).value_or(Ipv4{});
    }
    machine.securIdPeer.last = link;
    if (!ConnectTo2868(machine, link, "the peer")) return;
    machine.securIdPeer.played = true;
    Play(machine, scheduler, link, 0);
}

void IntrudersConnect(Machine& machine, const SimConnection& connection, SecurIdMoment moment) {
    for (SecurIdIntruder& intruder : machine.securIdIntruders) {
        if (intruder.moment != moment) continue;
        auto link = std::make_shared<TcpLink>();
        if (intruder.from) {
            link->peer = *intruder.from;
            link->local = LanAddressFacing(machine, *intruder.from);
        } else {
            // A program on this machine: from and to the machine's own address, the tunnel's once it is up.
            link->local = connection.projected ? Ipv4::Parse(connection.client).value_or(Ipv4{})
                                               : LanAddressFacing(machine, Ipv4{});
            link->peer = link->local;
        }
        intruder.last = link;
        if (ConnectTo2868(machine, link, "an intruder")) Deliver(machine, *link, intruder.prompt);
    }
}

}  // namespace

void SecurIdPeerConnects(Machine& machine, Scheduler& scheduler, const SimConnection& connection) {
    IntrudersConnect(machine, connection, SecurIdMoment::AtProjection);
    const SecurIdPeer& peer = machine.securIdPeer;
    if (!peer.connects) return;
    if (peer.moment == SecurIdMoment::AtProjection) return PeerConnectsNow(machine, scheduler, connection);
    if (peer.moment != SecurIdMoment::AfterProjection) return;
    const SimConnection later = connection;
    scheduler.After(peer.delay, [&machine, &scheduler, later] { PeerConnectsNow(machine, scheduler, later); });
}

void SecurIdDialBegins(Machine& machine, Scheduler& scheduler, const SimConnection& connection) {
    IntrudersConnect(machine, connection, SecurIdMoment::WhileDialling);
    const SecurIdPeer& peer = machine.securIdPeer;
    if (peer.connects && peer.moment == SecurIdMoment::WhileDialling) PeerConnectsNow(machine, scheduler, connection);
}

}  // namespace zelta::sim
