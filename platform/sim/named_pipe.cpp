// Implements platform/named_pipe.h against the simulated machine's pipe servers.
#include "platform/sim/named_pipe.h"

namespace zelta::sim {

Win32Error SimNamedPipe::Transact(std::string_view name, std::span<const std::uint8_t> request,
                                  std::size_t replyCapacity, std::uint32_t wait, std::vector<std::uint8_t>& reply) {
    if (auto fault = m_faults.Check("CallNamedPipe", name)) return *fault;
    auto it = m_machine.pipes.find(name);
    if (it == m_machine.pipes.end()) return err::kFileNotFound;

    if (m_scheduler.Now() < it->second.busyUntil) {
        if (wait == pipe_wait::kNoWait) return err::kPipeBusy;
        const std::string server = it->first;
        m_scheduler.At(it->second.busyUntil, [] {});  // a moment to look again when the instance frees up
        const bool freed = m_scheduler.BlockUntil(
            [&] {
                const auto found = m_machine.pipes.find(server);
                return found != m_machine.pipes.end() && m_scheduler.Now() >= found->second.busyUntil;
            },
            wait);
        if (!freed) return pipe_error::kSemTimeout;
        it = m_machine.pipes.find(server);
        if (it == m_machine.pipes.end()) return err::kFileNotFound;
    }

    PipeServer& server = it->second;
    server.received.emplace_back(request.begin(), request.end());
    std::vector<std::uint8_t> answer = server.defaultReply;
    if (!request.empty()) {
        if (const auto scripted = server.replies.find(request[0]); scripted != server.replies.end())
            answer = scripted->second;
    }
    if (server.replyDelay > 0) m_scheduler.Sleep(server.replyDelay);
    m_machine.journal.Note("pipe", std::string(name) + " <- " + HexBytes(request.data(), request.size()) + "  -> " +
                                       (answer.empty() ? std::string("(empty)") : HexBytes(answer.data(), answer.size())));
    if (answer.size() > replyCapacity) {
        reply.assign(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(replyCapacity));
        return err::kMoreData;
    }
    reply = std::move(answer);
    return err::kSuccess;
}

}  // namespace zelta::sim
