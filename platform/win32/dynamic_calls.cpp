// The run-time lookups of platform/win32/dynamic_calls.h.
#include "platform/win32/dynamic_calls.h"

namespace zelta::win32 {
namespace {

template <typename Function>
void Find(Function& slot, const wchar_t* module, const char* name) {
    if (HMODULE loaded = ::GetModuleHandleW(module))
        slot = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(loaded, name)));
}

DynamicCalls Load() {
    DynamicCalls calls;
    Find(calls.WTSGetActiveConsoleSessionId, L"kernel32.dll", "WTSGetActiveConsoleSessionId");
    Find(calls.NtOpenMutant, L"ntdll.dll", "NtOpenMutant");
    Find(calls.RtlGetVersion, L"ntdll.dll", "RtlGetVersion");
    Find(calls.ChangeWindowMessageFilterEx, L"user32.dll", "ChangeWindowMessageFilterEx");
    Find(calls.ChangeWindowMessageFilter, L"user32.dll", "ChangeWindowMessageFilter");
    return calls;
}

}  // namespace

const DynamicCalls& SystemCalls() {
    static const DynamicCalls calls = Load();
    return calls;
}

}  // namespace zelta::win32
