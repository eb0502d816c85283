// Scheduler: virtual time and the baton that lets simulated programs block the way Windows programs
// do while the whole run stays deterministic.
//
// The thread that creates the scheduler is the driver (a test, or zelta-campus). Each simulated
// program runs on a thread of its own, but exactly one thread runs at any moment: whoever holds the
// baton. A program holds it until it blocks (Sleep, a wait, its message loop) or ends, and then hands
// it back to the driver. The driver alone advances time: it applies machine events in time order and
// hands the baton to a blocked program when what it waits for has happened. So while one program
// sleeps, services change state and other programs run, and the same scenario always yields the
// same transcript. No real time is involved anywhere.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zelta::sim {

// Milliseconds since the simulated machine started.
using VirtualTime = std::uint64_t;

// A simulated call that the test or scenario never set up. The message names the call and what to
// configure; it ends the run rather than letting a silent default decide anything.
class SimSetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown inside a program's thread when the host ends a program that is still blocked; it unwinds
// the program's stack (running its destructors) and is never seen outside the scheduler.
struct ProgramTerminated {};

class Scheduler {
public:
    using ProgramId = int;
    static constexpr ProgramId kDriver = 0;

    Scheduler();
    ~Scheduler();  // ends every program that is still blocked, then joins its thread
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    VirtualTime Now() const { return m_now; }

    // A machine event: `fn` runs on the driver at `at` (never earlier than now), events of equal
    // time in the order they were scheduled.
    void At(VirtualTime at, std::function<void()> fn);
    void After(VirtualTime delay, std::function<void()> fn) { At(m_now + delay, std::move(fn)); }

    // Starts a program; it runs at once, until it first blocks or ends, before Start returns.
    ProgramId Start(std::string name, std::function<void()> main);
    bool HasEnded(ProgramId id) const;
    const std::string& NameOf(ProgramId id) const;
    // Names of the programs in the order they ended.
    const std::vector<std::string>& EndOrder() const { return m_endOrder; }

    // A message for a program's windows, due after `delay`. It is handed over only while the
    // program waits in WaitMessage; a program blocked elsewhere finds it when it next waits.
    void Post(ProgramId to, VirtualTime delay, std::function<void()> message);

    // The program whose thread is calling, or kDriver.
    ProgramId Current() const;

    // Blocks the caller for `ms`. On a program's thread the rest of the machine moves meanwhile;
    // on the driver it is RunFor(ms).
    void Sleep(VirtualTime ms);

    // Blocks the caller until `ready()` holds (checked after every machine event) or `timeout`
    // passes. Returns ready()'s value at the end. Without a timeout on the driver, a wait that
    // nothing scheduled can end is a SimSetupError.
    bool BlockUntil(const std::function<bool()>& ready, std::optional<VirtualTime> timeout);

    // Program only: blocks until a message is due, then returns it for the caller to run. Returns
    // an empty function when `timeout` passed first.
    std::function<void()> WaitMessage(std::optional<VirtualTime> timeout = std::nullopt);

    // Program only: the system ends the calling program where it stands (as TerminateProcess does:
    // nothing after this line of the program runs; destructors unwind it without blocking).
    [[noreturn]] void EndCurrentProgram();

    // Driver only: applies every event due up to now + ms and lets blocked programs run.
    void RunFor(VirtualTime ms) { RunUntil(m_now + ms); }
    void RunUntil(VirtualTime end);

private:
    struct Event {
        VirtualTime time;
        std::uint64_t seq;
        std::function<void()> fn;
    };
    struct Later {
        bool operator()(const Event& a, const Event& b) const {
            return a.time != b.time ? a.time > b.time : a.seq > b.seq;
        }
    };
    enum class State { Running, Blocked, Ended };
    struct Program {
        ProgramId id = 0;
        std::string name;
        std::function<void()> main;
        std::thread thread;
        State state = State::Running;
        std::function<bool()> ready;  // what a blocked program waits for (none: only its deadline)
        bool waitingMessages = false;
        std::uint64_t blockSeq = 0;  // tells a stale deadline event from the current one
        bool deadlinePassed = false;
        std::deque<std::function<void()>> messages;
        bool terminate = false;
        bool terminateThrown = false;
        std::exception_ptr failure;
    };

    Program& ProgramOf(ProgramId id);
    const Program& ProgramOf(ProgramId id) const;
    void ThreadMain(Program& program);
    void BlockProgram(Program& program, const std::function<bool()>& ready, bool messages,
                      std::optional<VirtualTime> timeout);
    void Resume(Program& program);
    void ResumeReadyPrograms();
    bool IsReady(const Program& program) const;
    bool RunNextEventUpTo(VirtualTime end);
    void HandOver(ProgramId to, ProgramId me);
    void RequireDriver(const char* call) const;

    VirtualTime m_now = 0;
    std::uint64_t m_nextSeq = 0;
    std::priority_queue<Event, std::vector<Event>, Later> m_events;
    std::vector<std::unique_ptr<Program>> m_programs;  // index = id - 1
    std::vector<std::string> m_endOrder;
    std::thread::id m_driverThread;

    mutable std::mutex m_mutex;
    std::condition_variable m_batonChanged;
    ProgramId m_current = kDriver;
};

}  // namespace zelta::sim
