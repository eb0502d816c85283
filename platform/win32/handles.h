// RAII owners for the Win32 handles the real platform opens. Compiled only for Windows.
#pragma once

#include <windows.h>

#include <utility>

namespace zelta::win32 {

// One owner template: `Traits` says what "none" is and how to close.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, Traits::None())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, Traits::None());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::None(); }
    void Reset(Handle handle = Traits::None()) {
        if (m_handle != Traits::None()) Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::None();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
// Most kernel objects (events, tokens, processes) are null when there is none.
struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};
struct DesktopTraits {
    using Handle = HDESK;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::CloseDesktop(h); }
};
struct EventSourceTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::DeregisterEventSource(h); }
};
struct SidTraits {
    using Handle = PSID;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::FreeSid(h); }
};
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle None() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};

using UniqueFile = UniqueHandle<KernelHandleTraits>;  // CreateFile's "none" is INVALID_HANDLE_VALUE
using UniqueObject = UniqueHandle<KernelObjectTraits>;
using UniqueHKey = UniqueHandle<RegistryKeyTraits>;
using UniqueEventSource = UniqueHandle<EventSourceTraits>;
using UniqueSid = UniqueHandle<SidTraits>;
using UniqueScHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueDesktop = UniqueHandle<DesktopTraits>;
using UniqueLocal = UniqueHandle<LocalMemoryTraits>;

}  // namespace zelta::win32
