// What the Wine driver programs share: one line a check, another process's control text, vpn.log.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace zelta::wine {

inline int g_failures = 0;

inline void Check(bool held, const char* what) {
    std::printf("%s: %s\n", held ? "ok" : "FAILED", what);
    if (!held) ++g_failures;
}

// WM_GETTEXT, not GetWindowText: for another process's control, GetWindowText gives only its caption.
inline std::wstring Text(HWND window) {
    wchar_t text[4096] = {};
    ::SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
    return text;
}

inline std::string ReadLog() {
    std::string text;
    if (FILE* f = _wfopen(L"C:\\Dialer\\vpn.log", L"rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

}  // namespace zelta::wine
