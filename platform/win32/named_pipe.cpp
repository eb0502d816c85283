// Implements platform/named_pipe.h: the client end, and the creation of the server end.
#include "platform/win32/named_pipe.h"

#include <algorithm>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/security.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {
namespace {

constexpr DWORD kPipeBuffer = 1024;

class Win32PipeClientEnd final : public PipeClientEnd {
public:
    explicit Win32PipeClientEnd(HANDLE pipe) : m_pipe(pipe) {}

    Win32Error Owner(PipeOwner& out) override { return ReadOwner(m_pipe.Get(), out); }

    Win32Error Transact(std::span<const std::uint8_t> request, std::size_t replyCapacity,
                        std::vector<std::uint8_t>& reply) override {
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (!::SetNamedPipeHandleState(m_pipe.Get(), &mode, nullptr, nullptr)) return ::GetLastError();
        std::vector<std::uint8_t> out(request.begin(), request.end());  // TransactNamedPipe takes a non-const buffer
        std::vector<std::uint8_t> buffer(replyCapacity);
        DWORD read = 0;
        Win32Error rc = ERROR_SUCCESS;
        if (!::TransactNamedPipe(m_pipe.Get(), out.data(), static_cast<DWORD>(out.size()), buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            rc = ::GetLastError();
            if (rc != ERROR_MORE_DATA) return rc;
        }
        buffer.resize(std::min<std::size_t>(read, replyCapacity));
        reply = std::move(buffer);
        return rc;
    }

private:
    UniqueFile m_pipe;
};

HANDLE CreateInstance(const std::wstring& name, DWORD extraFlags, DWORD instances, SECURITY_ATTRIBUTES* attributes) {
    return ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | extraFlags,
                              PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, instances, kPipeBuffer, kPipeBuffer,
                              0, attributes);
}

}  // namespace

Win32Error Win32NamedPipe::Open(std::string_view name, std::uint32_t wait, std::unique_ptr<PipeClientEnd>& out) {
    const std::wstring path = Wide(name);
    // Identification level: the server may learn who we are, never act as us.
    constexpr DWORD kFlags = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    for (bool waited = false;; waited = true) {
        HANDLE pipe = ::CreateFileW(path.c_str(), pipe_access::kClientOpen, 0, nullptr, OPEN_EXISTING, kFlags, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            out = std::make_unique<Win32PipeClientEnd>(pipe);
            return ERROR_SUCCESS;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_PIPE_BUSY || wait == pipe_wait::kNoWait || waited) return error;
        if (!::WaitNamedPipeW(path.c_str(), wait)) return ::GetLastError();
    }
}

Win32Error Win32NamedPipe::CreateServer(std::string_view name, const PipeSecurity& security, const PipeServing& serving,
                                        std::unique_ptr<PipeServerEnd>& out) {
    auto descriptor = SecurityDescriptor::Build(security);
    if (!descriptor) return ::GetLastError();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor->Get(), FALSE};
    const std::wstring path = Wide(name);
    const DWORD instances = std::clamp<DWORD>(serving.instances, 1, PIPE_UNLIMITED_INSTANCES - 1);
    HANDLE pipe = CreateInstance(path, FILE_FLAG_FIRST_PIPE_INSTANCE, instances, &attributes);
    if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 2000 before its second service pack lacks the flag: the instance joins whatever
        // pipe has the name, and that pipe's owner tells whether it is ours.
        pipe = CreateInstance(path, 0, instances, &attributes);
        if (pipe != INVALID_HANDLE_VALUE) {
            PipeOwner owner;
            if (ReadOwner(pipe, owner) != ERROR_SUCCESS || !security.owner || owner.principal != security.owner) {
                ::CloseHandle(pipe);
                return ERROR_ACCESS_DENIED;
            }
        }
    }
    if (pipe == INVALID_HANDLE_VALUE) return ::GetLastError();
    std::vector<HANDLE> pipes{pipe};
    while (pipes.size() < instances) {
        HANDLE more = CreateInstance(path, 0, instances, &attributes);
        if (more == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            for (HANDLE made : pipes) ::CloseHandle(made);
            return error;
        }
        pipes.push_back(more);
    }
    out = MakePipeServerEnd(std::move(pipes), serving, m_controlEvent);
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
