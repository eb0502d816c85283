// Implements platform/named_pipe.h against the simulated machine's pipes.
#include "platform/sim/named_pipe.h"

#include <algorithm>

#include "platform/sim/accounts.h"
#include "platform/text.h"

namespace zelta::sim {
namespace {

void NoteExchange(const Machine& machine, std::string_view name, std::span<const std::uint8_t> request,
                  const std::vector<std::uint8_t>* answer) {
    machine.journal.Note("pipe", std::string(name) + " <- " + HexBytes(request.data(), request.size()) + "  -> " +
                                     (!answer            ? std::string("(closed)")
                                      : answer->empty()  ? std::string("(empty)")
                                                         : HexBytes(answer->data(), answer->size())));
}

Win32Error CutToCapacity(std::vector<std::uint8_t> answer, std::size_t capacity, std::vector<std::uint8_t>& reply) {
    if (answer.size() > capacity) {
        reply.assign(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(capacity));
        return err::kMoreData;
    }
    reply = std::move(answer);
    return err::kSuccess;
}

// A scripted server answers by the request's first byte.
class ScriptedClientEnd final : public PipeClientEnd {
public:
    ScriptedClientEnd(Machine& machine, Scheduler& scheduler, std::string name)
        : m_machine(machine), m_scheduler(scheduler), m_name(std::move(name)) {}

    Win32Error Owner(PipeOwner& out) override {
        const auto it = m_machine.pipes.find(m_name);
        if (it == m_machine.pipes.end()) return pipe_error::kBrokenPipe;
        out = OwnerFor(it->second.owner);
        return err::kSuccess;
    }

    Win32Error Transact(std::span<const std::uint8_t> request, std::size_t replyCapacity,
                        std::vector<std::uint8_t>& reply) override {
        const auto it = m_machine.pipes.find(m_name);
        if (it == m_machine.pipes.end()) return pipe_error::kBrokenPipe;
        PipeServer& server = it->second;
        server.received.emplace_back(request.begin(), request.end());
        std::vector<std::uint8_t> answer = server.defaultReply;
        if (!request.empty()) {
            if (const auto scripted = server.replies.find(request[0]); scripted != server.replies.end())
                answer = scripted->second;
        }
        if (server.replyDelay > 0) m_scheduler.Sleep(server.replyDelay);
        NoteExchange(m_machine, m_name, request, &answer);
        return CutToCapacity(std::move(answer), replyCapacity, reply);
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    std::string m_name;
};

// A client of a pipe a program serves: one session, closed with this object.
class ServedClientEnd final : public PipeClientEnd {
public:
    ServedClientEnd(Machine& machine, Scheduler& scheduler, std::string name, PipeOwner owner,
                    std::shared_ptr<PipeSession> session)
        : m_machine(machine), m_scheduler(scheduler), m_name(std::move(name)), m_owner(std::move(owner)),
          m_session(std::move(session)) {}
    ~ServedClientEnd() override { m_session->clientClosed = true; }

    Win32Error Owner(PipeOwner& out) override {
        out = m_owner;
        return err::kSuccess;
    }

    Win32Error Transact(std::span<const std::uint8_t> request, std::size_t replyCapacity,
                        std::vector<std::uint8_t>& reply) override {
        if (m_session->serverClosed) return pipe_error::kBrokenPipe;
        m_session->request.emplace(request.begin(), request.end());
        m_machine.servedRequests[m_name].emplace_back(request.begin(), request.end());
        const auto session = m_session;
        m_scheduler.BlockUntil([session] { return session->reply.has_value() || session->serverClosed; }, std::nullopt);
        if (!m_session->reply) {
            NoteExchange(m_machine, m_name, request, nullptr);
            return pipe_error::kBrokenPipe;
        }
        NoteExchange(m_machine, m_name, request, &*m_session->reply);
        return CutToCapacity(*m_session->reply, replyCapacity, reply);
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    std::string m_name;
    PipeOwner m_owner;
    std::shared_ptr<PipeSession> m_session;
};

// The server's side of one session, handed over once its request came, its client left, or its
// silence lasted too long.
class SimPipeConnection final : public PipeConnection {
public:
    SimPipeConnection(Machine& machine, Faults& faults, const ProcessFacts& server, std::string name,
                      std::shared_ptr<PipeSession> session)
        : m_machine(machine), m_faults(faults), m_server(server), m_name(std::move(name)), m_session(std::move(session)) {}

    ~SimPipeConnection() override {
        m_session->serverClosed = true;
        const auto it = m_machine.servedPipes.find(m_name);
        if (it == m_machine.servedPipes.end()) return;
        std::erase(it->second.clients, m_session);
    }

    Win32Error Read(std::vector<std::uint8_t>& message) override {
        if (m_session->request) {
            const auto found = m_machine.servedPipes.find(m_name);
            const std::size_t capacity = found == m_machine.servedPipes.end() ? 0 : found->second.serving.requestCapacity;
            return CutToCapacity(*m_session->request, capacity, message);
        }
        return m_session->clientClosed ? pipe_error::kBrokenPipe : pipe_error::kWaitTimeout;
    }

    Win32Error Write(std::span<const std::uint8_t> message) override {
        if (m_session->clientClosed) return pipe_error::kBrokenPipe;
        m_session->reply.emplace(message.begin(), message.end());
        return err::kSuccess;
    }

    Win32Error Identify(PipeClient& out) override {
        if (m_session->clientClosed) return pipe_error::kBrokenPipe;
        if (m_faults.Check("RevertToSelf", m_name)) return pipe_error::kCannotRevert;
        out = m_session->client;
        out.ownAccount = EqualsNoCase(out.account, m_server.account);
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Faults& m_faults;
    const ProcessFacts& m_server;
    std::string m_name;
    std::shared_ptr<PipeSession> m_session;
};

// The first connected client whose turn has come: it sent its request, went away, or said nothing
// for the pipe's silence allowance.
std::shared_ptr<PipeSession> ReadyClient(const Machine& machine, const std::string& name, std::uint64_t now) {
    const auto it = machine.servedPipes.find(name);
    if (it == machine.servedPipes.end()) return nullptr;
    for (const auto& session : it->second.clients) {
        if (session->taken) continue;
        if (session->request || session->clientClosed || now >= session->connectedAt + it->second.serving.silentMs)
            return session;
    }
    return nullptr;
}

class SimPipeServer final : public PipeServerEnd {
public:
    SimPipeServer(Machine& machine, Scheduler& scheduler, Faults& faults, const ProcessFacts& process, int processId,
                  std::string name)
        : m_machine(machine), m_scheduler(scheduler), m_faults(faults), m_process(process), m_processId(processId),
          m_name(std::move(name)) {}

    ~SimPipeServer() override {
        const auto it = m_machine.servedPipes.find(m_name);
        if (it == m_machine.servedPipes.end() || it->second.processId != m_processId) return;
        for (const auto& session : it->second.clients) session->serverClosed = true;
        m_machine.servedPipes.erase(it);
        m_machine.journal.Note("pipe", m_name + " closed by " + m_process.label);
    }

    Win32Error WaitForClient(std::uint32_t timeoutMs, std::unique_ptr<PipeConnection>& out) override {
        const Machine& machine = m_machine;
        const Scheduler& scheduler = m_scheduler;
        const ProcessFacts& process = m_process;
        const std::string& name = m_name;
        m_scheduler.BlockUntil(
            [&] { return ReadyClient(machine, name, scheduler.Now()) || ServiceControlWaiting(machine, process); },
            timeoutMs);
        if (ServiceControlWaiting(machine, process)) return pipe_error::kOperationAborted;
        const auto session = ReadyClient(machine, name, scheduler.Now());
        if (!session) return pipe_error::kWaitTimeout;
        session->taken = true;
        out = std::make_unique<SimPipeConnection>(m_machine, m_faults, m_process, m_name, session);
        return err::kSuccess;
    }

private:
    Machine& m_machine;
    Scheduler& m_scheduler;
    Faults& m_faults;
    const ProcessFacts& m_process;
    int m_processId;
    std::string m_name;
};

}  // namespace

bool ServiceControlWaiting(const Machine& machine, const ProcessFacts& process) {
    if (process.serviceName.empty()) return false;
    const auto it = machine.services.find(process.serviceName);
    return it != machine.services.end() && !it->second.controls.empty();
}

Win32Error SimNamedPipe::Open(std::string_view name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) {
    if (auto fault = m_faults.Check("CallNamedPipe", name)) return *fault;
    if (const auto served = m_machine.servedPipes.find(name); served != m_machine.servedPipes.end())
        return OpenServed(served->first, wait, out);
    if (const auto scripted = m_machine.pipes.find(name); scripted != m_machine.pipes.end())
        return OpenScripted(scripted->first, wait, out);
    return err::kFileNotFound;
}

Win32Error SimNamedPipe::OpenServed(const std::string& name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) {
    const ServedPipe& pipe = m_machine.servedPipes.at(name);
    if (!AccessGranted(pipe.security, PrincipalsOf(m_machine, m_process.account, m_process.network),
                       pipe_access::kClientOpen))
        return err::kAccessDenied;
    const Machine& machine = m_machine;
    auto free = [&machine, &name] {
        const auto it = machine.servedPipes.find(name);
        return it != machine.servedPipes.end() && it->second.clients.size() < it->second.serving.instances;
    };
    if (!free()) {
        if (wait == pipe_wait::kNoWait) return err::kPipeBusy;
        if (!m_scheduler.BlockUntil(free, wait)) {
            return m_machine.servedPipes.contains(name) ? pipe_error::kSemTimeout : err::kFileNotFound;
        }
    }
    ServedPipe& now = m_machine.servedPipes.at(name);
    auto session = std::make_shared<PipeSession>();
    session->clientLabel = m_process.label;
    session->client = PipeClient{m_process.account, m_process.session, m_process.network};
    session->connectedAt = m_scheduler.Now();
    now.clients.push_back(session);
    m_scheduler.At(session->connectedAt + now.serving.silentMs, [] {});  // the moment its silence runs out
    out = std::make_unique<ServedClientEnd>(m_machine, m_scheduler, name, now.owner, std::move(session));
    return err::kSuccess;
}

Win32Error SimNamedPipe::OpenScripted(const std::string& name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) {
    const PipeServer& server = m_machine.pipes.at(name);
    if (m_scheduler.Now() < server.busyUntil) {
        if (wait == pipe_wait::kNoWait) return err::kPipeBusy;
        m_scheduler.At(server.busyUntil, [] {});  // a moment to look again when the instance frees up
        const Machine& machine = m_machine;
        const Scheduler& scheduler = m_scheduler;
        const bool freed = m_scheduler.BlockUntil(
            [&] {
                const auto found = machine.pipes.find(name);
                return found != machine.pipes.end() && scheduler.Now() >= found->second.busyUntil;
            },
            wait);
        if (!freed) return pipe_error::kSemTimeout;
        if (!m_machine.pipes.contains(name)) return err::kFileNotFound;
    }
    out = std::make_unique<ScriptedClientEnd>(m_machine, m_scheduler, name);
    return err::kSuccess;
}

Win32Error SimNamedPipe::CreateServer(std::string_view name, const PipeSecurity& security, const PipeServing& serving,
                                      std::unique_ptr<PipeServerEnd>& out) {
    if (auto fault = m_faults.Check("CreateNamedPipe", name)) return *fault;
    // FILE_FLAG_FIRST_PIPE_INSTANCE: a name somebody else created first is refused.
    if (m_machine.pipes.contains(name) || m_machine.servedPipes.contains(name)) return err::kAccessDenied;
    if (security.owner) {
        // Only the system account may name any owner; others themselves or a group they belong to.
        const auto principals = PrincipalsOf(m_machine, m_process.account, m_process.network);
        const bool mayOwn = IsSystemAccount(m_process.account) ||
                            (*security.owner != Principal::LocalSystem &&
                             std::find(principals.begin(), principals.end(), *security.owner) != principals.end());
        if (!mayOwn) return 1307;  // ERROR_INVALID_OWNER
    }
    ServedPipe& pipe = m_machine.servedPipes[std::string(name)];
    pipe.processId = m_processId;
    pipe.owner = security.owner ? OwnerFor(*security.owner) : OwnerFor(m_process.account);
    pipe.security = security;
    pipe.serving = serving;
    pipe.serving.instances = std::max<std::uint32_t>(serving.instances, 1);
    m_machine.journal.Note("pipe", std::string(name) + " created by " + m_process.label);
    out = std::make_unique<SimPipeServer>(m_machine, m_scheduler, m_faults, m_process, m_processId, std::string(name));
    return err::kSuccess;
}

}  // namespace zelta::sim
