// Calls newer than Windows 2000, or not in its import libraries, looked up at run time in one typed
// table. They come from DLLs every process of ours has loaded already (kernel32, ntdll, user32), so nothing is
// loaded by name from a directory somebody else could write to. Compiled only for Windows.
#pragma once

#include <windows.h>

namespace zelta::win32 {

struct NtUnicodeString {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};

struct NtObjectAttributes {
    ULONG Length;
    HANDLE RootDirectory;
    NtUnicodeString* ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
};

struct DynamicCalls {
    // kernel32, Windows XP: the session on the machine's own screen.
    DWORD(WINAPI* WTSGetActiveConsoleSessionId)() = nullptr;
    // ntdll: opens a mutex by its full object path, as no documented call of Windows 2000 can for
    // another session's named objects.
    LONG(NTAPI* NtOpenMutant)(HANDLE* mutant, ACCESS_MASK access, NtObjectAttributes* attributes) = nullptr;
    // ntdll: the version the system is, whatever it tells programs it does not know (GetVersionEx
    // answers 6.2 on Windows 8.1 and later to a program without a manifest naming them).
    LONG(NTAPI* RtlGetVersion)(OSVERSIONINFOW* info) = nullptr;
    // user32, Windows 7 and Vista: which messages pass the integrity check into a window, or into
    // every window of the process.
    BOOL(WINAPI* ChangeWindowMessageFilterEx)(HWND window, UINT message, DWORD action, void* status) = nullptr;
    BOOL(WINAPI* ChangeWindowMessageFilter)(UINT message, DWORD flag) = nullptr;
};

// The table, filled on first use; a call the system lacks stays null.
const DynamicCalls& SystemCalls();

}  // namespace zelta::win32
