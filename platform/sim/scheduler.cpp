// Scheduler: virtual time, machine events, and the baton between simulated programs.
#include "platform/sim/scheduler.h"

namespace zelta::sim {
namespace {

// Which scheduler and program the calling thread belongs to (none for the driver).
struct ThreadIdentity {
    const Scheduler* owner = nullptr;
    Scheduler::ProgramId id = Scheduler::kDriver;
};
thread_local ThreadIdentity t_identity;

}  // namespace

Scheduler::Scheduler() : m_driverThread(std::this_thread::get_id()) {}

Scheduler::~Scheduler() {
    for (auto& program : m_programs) {
        if (program->state == State::Blocked) {
            program->terminate = true;
            try {
                Resume(*program);
            } catch (...) {
                // A program that fails while being ended has nobody left to report to.
            }
        }
    }
    for (auto& program : m_programs) {
        if (program->thread.joinable()) program->thread.join();
    }
}

void Scheduler::At(VirtualTime at, std::function<void()> fn) {
    m_events.push(Event{at < m_now ? m_now : at, m_nextSeq++, std::move(fn)});
}

Scheduler::Program& Scheduler::ProgramOf(ProgramId id) {
    if (id <= 0 || static_cast<std::size_t>(id) > m_programs.size())
        throw SimSetupError("no simulated program with id " + std::to_string(id));
    return *m_programs[static_cast<std::size_t>(id - 1)];
}

const Scheduler::Program& Scheduler::ProgramOf(ProgramId id) const {
    return const_cast<Scheduler*>(this)->ProgramOf(id);
}

bool Scheduler::HasEnded(ProgramId id) const { return ProgramOf(id).state == State::Ended; }
const std::string& Scheduler::NameOf(ProgramId id) const { return ProgramOf(id).name; }

Scheduler::ProgramId Scheduler::Current() const {
    return t_identity.owner == this ? t_identity.id : kDriver;
}

void Scheduler::RequireDriver(const char* call) const {
    if (Current() != kDriver)
        throw SimSetupError(std::string(call) + " is for the driver (the test or scenario runner); a simulated "
                                                "program blocks with Sleep, BlockUntil or WaitMessage instead");
}

Scheduler::ProgramId Scheduler::Start(std::string name, std::function<void()> main) {
    RequireDriver("Scheduler::Start");
    auto program = std::make_unique<Program>();
    program->id = static_cast<ProgramId>(m_programs.size() + 1);
    program->name = std::move(name);
    program->main = std::move(main);
    Program& p = *program;
    m_programs.push_back(std::move(program));
    p.thread = std::thread([this, &p] { ThreadMain(p); });
    Resume(p);
    return p.id;
}

void Scheduler::ThreadMain(Program& program) {
    t_identity = ThreadIdentity{this, program.id};
    {
        std::unique_lock lock(m_mutex);
        m_batonChanged.wait(lock, [&] { return m_current == program.id; });
    }
    try {
        program.main();
    } catch (const ProgramTerminated&) {
        // Ended by the host while blocked: nothing to report.
    } catch (...) {
        program.failure = std::current_exception();
    }
    program.state = State::Ended;
    m_endOrder.push_back(program.name);
    std::lock_guard lock(m_mutex);
    m_current = kDriver;
    m_batonChanged.notify_all();
}

void Scheduler::HandOver(ProgramId to, ProgramId me) {
    std::unique_lock lock(m_mutex);
    m_current = to;
    m_batonChanged.notify_all();
    m_batonChanged.wait(lock, [&] { return m_current == me; });
}

// Driver: lets `program` run until it blocks again or ends. A failure inside the program (a
// simulated call it was not set up for, a failed check) surfaces here, on the driver.
void Scheduler::Resume(Program& program) {
    program.state = State::Running;
    HandOver(program.id, kDriver);
    if (program.state == State::Ended) {
        if (program.thread.joinable()) program.thread.join();
        if (program.failure) {
            auto failure = program.failure;
            program.failure = nullptr;
            std::rethrow_exception(failure);
        }
    }
}

// Program: gives the baton back to the driver until what it waits for happens.
void Scheduler::BlockProgram(Program& program, const std::function<bool()>& ready, bool messages,
                             std::optional<VirtualTime> timeout) {
    if (program.terminateThrown) return;  // being ended: waits in destructors return at once
    program.state = State::Blocked;
    program.ready = ready;
    program.waitingMessages = messages;
    program.deadlinePassed = false;
    const std::uint64_t seq = ++program.blockSeq;
    if (timeout) {
        At(m_now + *timeout, [this, &program, seq] {
            if (program.state == State::Blocked && program.blockSeq == seq) {
                program.deadlinePassed = true;
                Resume(program);
            }
        });
    }
    HandOver(kDriver, program.id);
    program.ready = nullptr;
    program.waitingMessages = false;
    if (program.terminate && !program.terminateThrown) {
        program.terminateThrown = true;
        throw ProgramTerminated{};
    }
}

bool Scheduler::IsReady(const Program& program) const {
    if (program.state != State::Blocked) return false;
    if (program.waitingMessages && !program.messages.empty()) return true;
    return program.ready && program.ready();
}

void Scheduler::ResumeReadyPrograms() {
    for (bool resumed = true; resumed;) {
        resumed = false;
        for (auto& program : m_programs) {
            if (IsReady(*program)) {
                Resume(*program);
                resumed = true;
            }
        }
    }
}

bool Scheduler::RunNextEventUpTo(VirtualTime end) {
    if (m_events.empty() || m_events.top().time > end) return false;
    Event event = m_events.top();
    m_events.pop();
    if (event.time > m_now) m_now = event.time;
    event.fn();
    return true;
}

void Scheduler::RunUntil(VirtualTime end) {
    RequireDriver("Scheduler::RunUntil");
    ResumeReadyPrograms();
    while (RunNextEventUpTo(end)) ResumeReadyPrograms();
    if (end > m_now) m_now = end;
}

void Scheduler::Post(ProgramId to, VirtualTime delay, std::function<void()> message) {
    Program& program = ProgramOf(to);
    At(m_now + delay, [&program, message = std::move(message)]() mutable {
        if (program.state != State::Ended) program.messages.push_back(std::move(message));
    });
}

void Scheduler::Sleep(VirtualTime ms) {
    if (Current() == kDriver) {
        RunFor(ms);
        return;
    }
    BlockProgram(ProgramOf(Current()), nullptr, false, ms);
}

bool Scheduler::BlockUntil(const std::function<bool()>& ready, std::optional<VirtualTime> timeout) {
    if (ready()) return true;
    if (Current() != kDriver) {
        BlockProgram(ProgramOf(Current()), ready, false, timeout);
        return ready();
    }
    const std::optional<VirtualTime> deadline =
        timeout ? std::optional<VirtualTime>(m_now + *timeout) : std::nullopt;
    for (;;) {
        ResumeReadyPrograms();
        if (ready()) return true;
        if (!RunNextEventUpTo(deadline.value_or(UINT64_MAX))) {
            if (!deadline)
                throw SimSetupError("the driver waits for something that nothing scheduled will bring about");
            m_now = *deadline;
            return ready();
        }
    }
}

std::function<void()> Scheduler::WaitMessage(std::optional<VirtualTime> timeout) {
    if (Current() == kDriver) throw SimSetupError("WaitMessage is for simulated programs, not the driver");
    Program& program = ProgramOf(Current());
    if (program.messages.empty()) BlockProgram(program, nullptr, true, timeout);
    if (program.messages.empty()) return {};
    auto message = std::move(program.messages.front());
    program.messages.pop_front();
    return message;
}

void Scheduler::EndCurrentProgram() {
    if (Current() == kDriver) throw SimSetupError("EndCurrentProgram is for simulated programs, not the driver");
    Program& program = ProgramOf(Current());
    program.terminate = true;
    program.terminateThrown = true;
    throw ProgramTerminated{};
}

}  // namespace zelta::sim
