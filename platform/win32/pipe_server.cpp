// The server end of the helper service's pipe: one instance, connected client after client, every
// wait overlapped so that a service control ends it at once.
#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/named_pipe.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

constexpr DWORD kWriteWaitMs = 2000;
constexpr DWORD kCloseWaitMs = 2000;  // how long the reply may stay unread before the client is dropped

// Waits for overlapped I/O on `pipe`: its completion, a service control, or `timeoutMs`. A wait that
// did not complete is cancelled and its end awaited, so `overlapped` can go. `transferred` gets the
// byte count; the result is the I/O's own, pipe_error::kOperationAborted, or kWaitTimeout.
Win32Error AwaitIo(HANDLE pipe, OVERLAPPED& overlapped, HANDLE controlEvent, DWORD timeoutMs, DWORD& transferred) {
    const HANDLE events[] = {overlapped.hEvent, controlEvent};
    const DWORD count = controlEvent ? 2 : 1;
    const DWORD waited = ::WaitForMultipleObjects(count, events, FALSE, timeoutMs);
    if (waited != WAIT_OBJECT_0) ::CancelIo(pipe);
    if (::GetOverlappedResult(pipe, &overlapped, &transferred, TRUE)) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    if (error != ERROR_OPERATION_ABORTED) return error;  // it ended by itself first (ERROR_MORE_DATA among them)
    return waited == WAIT_OBJECT_0 + 1 ? pipe_error::kOperationAborted : pipe_error::kWaitTimeout;
}

// Starts overlapped I/O with `start` and waits for it as AwaitIo does.
template <typename Start>
Win32Error Overlapped(HANDLE pipe, HANDLE event, HANDLE controlEvent, DWORD timeoutMs, DWORD& transferred, Start start) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    ::ResetEvent(event);
    transferred = 0;
    if (start(overlapped)) return ::GetOverlappedResult(pipe, &overlapped, &transferred, TRUE) ? ERROR_SUCCESS : ::GetLastError();
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) return AwaitIo(pipe, overlapped, controlEvent, timeoutMs, transferred);
    // A message longer than the buffer ends at once, with the part that fitted.
    if (error == ERROR_MORE_DATA) ::GetOverlappedResult(pipe, &overlapped, &transferred, FALSE);
    return error;
}

class Win32PipeConnection final : public PipeConnection {
public:
    Win32PipeConnection(HANDLE pipe, HANDLE event, HANDLE controlEvent)
        : m_pipe(pipe), m_event(event), m_controlEvent(controlEvent) {}

    ~Win32PipeConnection() override {
        // The client reads the reply and closes its end; a read ending in "broken pipe" sees that.
        // DisconnectNamedPipe before would throw the unread reply away.
        if (m_replied) {
            std::uint8_t scrap[16];
            DWORD read = 0;
            Overlapped(m_pipe, m_event, nullptr, kCloseWaitMs, read, [&](OVERLAPPED& o) {
                return ::ReadFile(m_pipe, scrap, sizeof scrap, nullptr, &o);
            });
        }
        ::DisconnectNamedPipe(m_pipe);
    }

    Win32Error Read(std::size_t capacity, std::uint32_t timeoutMs, std::vector<std::uint8_t>& message) override {
        std::vector<std::uint8_t> buffer(capacity);
        DWORD read = 0;
        const Win32Error rc = Overlapped(m_pipe, m_event, m_controlEvent, timeoutMs, read, [&](OVERLAPPED& o) {
            return ::ReadFile(m_pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &o);
        });
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
        buffer.resize(std::min<std::size_t>(read, capacity));
        message = std::move(buffer);
        return rc;
    }

    Win32Error Write(std::span<const std::uint8_t> message) override {
        DWORD written = 0;
        const Win32Error rc = Overlapped(m_pipe, m_event, nullptr, kWriteWaitMs, written, [&](OVERLAPPED& o) {
            return ::WriteFile(m_pipe, message.data(), static_cast<DWORD>(message.size()), nullptr, &o);
        });
        m_replied = rc == ERROR_SUCCESS;
        return rc;
    }

    Win32Error Identify(PipeClient& out) override;

private:
    HANDLE m_pipe;          // the server's instance; it stays open for the next client
    HANDLE m_event;
    HANDLE m_controlEvent;
    bool m_replied = false;
};

// The client's token, opened while impersonating it and read once back in our own identity: at
// identification level a token can be read, while calls made impersonating it (the account lookup)
// would be refused.
Win32Error Win32PipeConnection::Identify(PipeClient& out) {
    if (!::ImpersonateNamedPipeClient(m_pipe)) return ::GetLastError();
    HANDLE opened = nullptr;
    const BOOL haveToken = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &opened);
    const DWORD tokenError = ::GetLastError();
    ::RevertToSelf();
    if (!haveToken) return tokenError;
    UniqueObject token(opened);

    std::vector<std::uint8_t> user;
    if (const DWORD rc = ReadTokenUser(token.Get(), user); rc != ERROR_SUCCESS) return rc;
    PSID sid = TokenUserSid(user);
    DWORD size = 0;
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    out.account = ::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)
                      ? Narrow(domain) + "\\" + Narrow(name)
                      : SidText(sid);

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
    Win32PipeServerEnd(HANDLE pipe, HANDLE controlEvent)
        : m_pipe(pipe), m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_controlEvent(controlEvent) {}

    Win32Error WaitForClient(std::uint32_t timeoutMs, std::unique_ptr<PipeConnection>& out) override {
        if (!m_event) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD unused = 0;
        Win32Error rc = Overlapped(m_pipe.Get(), m_event.Get(), m_controlEvent, timeoutMs, unused,
                                   [&](OVERLAPPED& o) { return ::ConnectNamedPipe(m_pipe.Get(), &o); });
        if (rc == ERROR_PIPE_CONNECTED) rc = ERROR_SUCCESS;  // the client came before we asked
        if (rc == ERROR_NO_DATA) ::DisconnectNamedPipe(m_pipe.Get());  // it came and went already
        if (rc != ERROR_SUCCESS) return rc;
        out = std::make_unique<Win32PipeConnection>(m_pipe.Get(), m_event.Get(), m_controlEvent);
        return ERROR_SUCCESS;
    }

private:
    UniqueFile m_pipe;
    UniqueObject m_event;
    HANDLE m_controlEvent;
};

}  // namespace

std::unique_ptr<PipeServerEnd> MakePipeServerEnd(HANDLE pipe, HANDLE controlEvent) {
    return std::make_unique<Win32PipeServerEnd>(pipe, controlEvent);
}

}  // namespace zelta::win32
