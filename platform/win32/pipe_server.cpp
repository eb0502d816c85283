// The server end of the helper service's pipe: several instances, each connecting a client and
// reading its request on its own, all overlapped on the service's one thread. A silent client holds
// only its own instance, and only for a second; a service control ends every wait at once.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/named_pipe.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

constexpr DWORD kWriteWaitMs = 2000;
constexpr DWORD kDrainMs = 2000;   // how long an answered client may leave the reply unread
constexpr DWORD kRetryMs = 250;    // before an instance whose ConnectNamedPipe failed tries again

// One instance and the overlapped operation under way on it.
struct PipeInstance {
    enum class State {
        Resting,    // ConnectNamedPipe failed; tried again after kRetryMs
        Listening,  // ConnectNamedPipe pending
        Reading,    // a client is connected; its request's ReadFile pending
        Ready,      // the request (or its absence) is known; waiting to be handed over
        Handed,     // a PipeConnection has it
        Draining,   // answered; waiting for the client to read the reply and close
    };

    UniqueFile pipe;
    UniqueObject event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped{};
    State state = State::Resting;
    DWORD since = 0;  // tick count when the state began
    std::vector<std::uint8_t> buffer;
    DWORD transferred = 0;
    Win32Error result = ERROR_SUCCESS;  // Ready: how the request's read ended

    bool Pending() const { return state == State::Listening || state == State::Reading || state == State::Draining; }

    // Starts an overlapped call; ERROR_IO_PENDING while it runs, else how it ended at once.
    template <typename Start>
    Win32Error Begin(Start start) {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event.Get();
        ::ResetEvent(event.Get());
        transferred = 0;
        if (start(overlapped)) {
            ::GetOverlappedResult(pipe.Get(), &overlapped, &transferred, TRUE);
            return ERROR_SUCCESS;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_MORE_DATA) ::GetOverlappedResult(pipe.Get(), &overlapped, &transferred, FALSE);
        return error;
    }

    // Ends the pending call: cancelled, and awaited so that `overlapped` and `buffer` may change.
    Win32Error Cancel() {
        ::CancelIo(pipe.Get());
        if (::GetOverlappedResult(pipe.Get(), &overlapped, &transferred, TRUE)) return ERROR_SUCCESS;
        return ::GetLastError();
    }
};

class Win32PipeServerEnd;

class Win32PipeConnection final : public PipeConnection {
public:
    Win32PipeConnection(PipeInstance& instance, Win32PipeServerEnd& server) : m_instance(instance), m_server(server) {}
    ~Win32PipeConnection() override;

    Win32Error Read(std::vector<std::uint8_t>& message) override {
        if (m_instance.result != ERROR_SUCCESS && m_instance.result != ERROR_MORE_DATA) return m_instance.result;
        message.assign(m_instance.buffer.begin(),
                       m_instance.buffer.begin() + std::min<std::size_t>(m_instance.transferred, m_instance.buffer.size()));
        return m_instance.result;
    }

    Win32Error Write(std::span<const std::uint8_t> message) override {
        Win32Error rc = m_instance.Begin([&](OVERLAPPED& o) {
            return ::WriteFile(m_instance.pipe.Get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &o);
        });
        if (rc == ERROR_IO_PENDING) {
            rc = ::WaitForSingleObject(m_instance.event.Get(), kWriteWaitMs) == WAIT_OBJECT_0
                     ? (::GetOverlappedResult(m_instance.pipe.Get(), &m_instance.overlapped, &m_instance.transferred, FALSE)
                            ? ERROR_SUCCESS
                            : ::GetLastError())
                     : m_instance.Cancel();
            if (rc == ERROR_OPERATION_ABORTED) rc = pipe_error::kWaitTimeout;
        }
        m_replied = rc == ERROR_SUCCESS;
        return rc;
    }

    Win32Error Identify(PipeClient& out) override;

private:
    PipeInstance& m_instance;
    Win32PipeServerEnd& m_server;
    bool m_replied = false;
};

// The client's token, opened while impersonating it and read once back in our own identity: at
// identification level a token can be read, while calls made impersonating it (the account lookup)
// would be refused.
Win32Error Win32PipeConnection::Identify(PipeClient& out) {
    if (!::ImpersonateNamedPipeClient(m_instance.pipe.Get())) return ::GetLastError();
    HANDLE opened = nullptr;
    const BOOL haveToken = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &opened);
    const DWORD tokenError = ::GetLastError();
    UniqueObject token(haveToken ? opened : nullptr);
    if (!::RevertToSelf()) return pipe_error::kCannotRevert;
    if (!haveToken) return tokenError;

    std::vector<std::uint8_t> user;
    if (const DWORD rc = ReadTokenUser(token.Get(), user); rc != ERROR_SUCCESS) return rc;
    PSID sid = TokenUserSid(user);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    out.account = ::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)
                      ? Narrow(domain) + "\\" + Narrow(name)
                      : SidText(sid);

    HANDLE ownOpened = nullptr;
    out.ownAccount = false;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &ownOpened)) {
        UniqueObject own(ownOpened);
        std::vector<std::uint8_t> ownUser;
        out.ownAccount = ReadTokenUser(own.Get(), ownUser) == ERROR_SUCCESS && ::EqualSid(TokenUserSid(ownUser), sid);
    }

    DWORD size = 0;
    DWORD session = 0;  // Windows without Terminal Services may not answer: everybody is in session 0
    ::GetTokenInformation(token.Get(), TokenSessionId, &session, sizeof session, &size);
    out.session = session;

    ::GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size);
    std::vector<std::uint8_t> groups(size ? size : 1);
    out.network = false;
    if (::GetTokenInformation(token.Get(), TokenGroups, groups.data(), size, &size)) {
        const auto* list = reinterpret_cast<TOKEN_GROUPS*>(groups.data());
        const WellKnownSids known;
        for (DWORD i = 0; i < list->GroupCount; ++i)
            if (known.Find(list->Groups[i].Sid) == Principal::NetworkLogons) out.network = true;
    }
    return ERROR_SUCCESS;
}

class Win32PipeServerEnd final : public PipeServerEnd {
public:
    Win32PipeServerEnd(std::vector<HANDLE> pipes, const PipeServing& serving, HANDLE controlEvent)
        : m_serving(serving), m_controlEvent(controlEvent) {
        for (HANDLE pipe : pipes) {
            auto instance = std::make_unique<PipeInstance>();
            instance->pipe.Reset(pipe);
            m_instances.push_back(std::move(instance));
        }
        for (auto& instance : m_instances) Listen(*instance);
    }

    ~Win32PipeServerEnd() override {
        for (auto& instance : m_instances)
            if (instance->Pending()) instance->Cancel();
    }

    Win32Error WaitForClient(std::uint32_t timeoutMs, std::unique_ptr<PipeConnection>& out) override;

    // The connection on `instance` is done: drain the reply it wrote, or free the instance now.
    void Release(PipeInstance& instance, bool replied) {
        if (!replied) return Recycle(instance);
        instance.buffer.assign(16, 0);  // a scrap buffer: nothing the client sends now is read
        const Win32Error rc = instance.Begin([&](OVERLAPPED& o) {
            return ::ReadFile(instance.pipe.Get(), instance.buffer.data(), static_cast<DWORD>(instance.buffer.size()),
                              nullptr, &o);
        });
        if (rc != ERROR_IO_PENDING) return Recycle(instance);
        Enter(instance, PipeInstance::State::Draining);
    }

private:
    void Enter(PipeInstance& instance, PipeInstance::State state) {
        instance.state = state;
        instance.since = ::GetTickCount();
    }

    // How long `instance` may stay as it is; INFINITE when no clock runs on it.
    DWORD Allowance(const PipeInstance& instance) const {
        switch (instance.state) {
            case PipeInstance::State::Resting: return kRetryMs;
            case PipeInstance::State::Reading: return m_serving.silentMs;
            case PipeInstance::State::Draining: return kDrainMs;
            default: return INFINITE;
        }
    }

    void Listen(PipeInstance& instance) {
        if (!instance.event) return Enter(instance, PipeInstance::State::Resting);
        const Win32Error rc =
            instance.Begin([&](OVERLAPPED& o) { return ::ConnectNamedPipe(instance.pipe.Get(), &o); });
        if (rc == ERROR_IO_PENDING) return Enter(instance, PipeInstance::State::Listening);
        if (rc == ERROR_SUCCESS || rc == ERROR_PIPE_CONNECTED) return StartRead(instance);  // it came before we asked
        ::DisconnectNamedPipe(instance.pipe.Get());  // ERROR_NO_DATA: it came and went already
        Enter(instance, PipeInstance::State::Resting);
    }

    void StartRead(PipeInstance& instance) {
        instance.buffer.assign(m_serving.requestCapacity, 0);
        const Win32Error rc = instance.Begin([&](OVERLAPPED& o) {
            return ::ReadFile(instance.pipe.Get(), instance.buffer.data(), static_cast<DWORD>(instance.buffer.size()),
                              nullptr, &o);
        });
        if (rc == ERROR_IO_PENDING) return Enter(instance, PipeInstance::State::Reading);
        MakeReady(instance, rc);
    }

    void MakeReady(PipeInstance& instance, Win32Error result) {
        instance.result = result;
        Enter(instance, PipeInstance::State::Ready);
    }

    void Recycle(PipeInstance& instance) {
        ::DisconnectNamedPipe(instance.pipe.Get());
        Listen(instance);
    }

    // The pending call on `instance` ended by itself.
    void Complete(PipeInstance& instance) {
        const Win32Error rc =
            ::GetOverlappedResult(instance.pipe.Get(), &instance.overlapped, &instance.transferred, FALSE)
                ? ERROR_SUCCESS
                : ::GetLastError();
        switch (instance.state) {
            case PipeInstance::State::Listening:
                if (rc == ERROR_SUCCESS || rc == ERROR_PIPE_CONNECTED) return StartRead(instance);
                return Recycle(instance);
            case PipeInstance::State::Reading: return MakeReady(instance, rc);
            case PipeInstance::State::Draining: return Recycle(instance);
            default: return;
        }
    }

    // `instance` has had its allowance.
    void Expire(PipeInstance& instance) {
        switch (instance.state) {
            case PipeInstance::State::Resting: return Listen(instance);
            case PipeInstance::State::Reading: {
                const Win32Error rc = instance.Cancel();  // a request that made it after all counts
                return MakeReady(instance, rc == ERROR_OPERATION_ABORTED ? pipe_error::kWaitTimeout : rc);
            }
            case PipeInstance::State::Draining:
                instance.Cancel();
                return Recycle(instance);
            default: return;
        }
    }

    PipeServing m_serving;
    HANDLE m_controlEvent;
    std::vector<std::unique_ptr<PipeInstance>> m_instances;  // never moved: overlapped calls point into them
    std::size_t m_nextHanded = 0;                            // where the look for a ready instance begins
};

Win32Error Win32PipeServerEnd::WaitForClient(std::uint32_t timeoutMs, std::unique_ptr<PipeConnection>& out) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD now = ::GetTickCount();
        for (auto& instance : m_instances)
            if (Allowance(*instance) != INFINITE && now - instance->since >= Allowance(*instance)) Expire(*instance);

        // Clients are taken in turn, so that a busy instance cannot starve the others.
        for (std::size_t i = 0; i < m_instances.size(); ++i) {
            PipeInstance& instance = *m_instances[(m_nextHanded + i) % m_instances.size()];
            if (instance.state != PipeInstance::State::Ready) continue;
            m_nextHanded = (m_nextHanded + i + 1) % m_instances.size();
            instance.state = PipeInstance::State::Handed;
            out = std::make_unique<Win32PipeConnection>(instance, *this);
            return ERROR_SUCCESS;
        }

        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return pipe_error::kWaitTimeout;
        DWORD wait = timeoutMs - elapsed;
        std::vector<HANDLE> handles;
        std::vector<PipeInstance*> waited;
        if (m_controlEvent) handles.push_back(m_controlEvent);
        for (auto& instance : m_instances) {
            if (const DWORD allowance = Allowance(*instance); allowance != INFINITE) {
                const DWORD spent = ::GetTickCount() - instance->since;
                wait = std::min<DWORD>(wait, spent >= allowance ? 0 : allowance - spent);
            }
            if (!instance->Pending()) continue;
            handles.push_back(instance->event.Get());
            waited.push_back(instance.get());
        }
        if (handles.empty()) {
            ::Sleep(wait);
            continue;
        }
        const DWORD signalled = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, wait);
        if (signalled == WAIT_FAILED) return ::GetLastError();
        if (signalled == WAIT_TIMEOUT) continue;
        const std::size_t index = signalled - WAIT_OBJECT_0;
        if (m_controlEvent && index == 0) return pipe_error::kOperationAborted;
        Complete(*waited[index - (m_controlEvent ? 1 : 0)]);
    }
}

Win32PipeConnection::~Win32PipeConnection() { m_server.Release(m_instance, m_replied); }

}  // namespace

std::unique_ptr<PipeServerEnd> MakePipeServerEnd(std::vector<HANDLE> pipes, const PipeServing& serving,
                                                 HANDLE controlEvent) {
    return std::make_unique<Win32PipeServerEnd>(std::move(pipes), serving, controlEvent);
}

}  // namespace zelta::win32
