// The real SystemInfo: GetVersionEx, GetUserName, the desktops, OutputDebugString, FormatMessage.
#pragma once

#include "platform/system_info.h"

namespace zelta::win32 {

class Win32SystemInfo final : public SystemInfo {
public:
    Win32Error QueryOsVersion(OsVersion& out) override;
    Win32Error AccountName(std::string& out) override;
    Win32Error OwnAccount(ObjectOwner& out) override;
    Win32Error InputDesktopName(std::string& out) override;
    Win32Error ThreadDesktopName(std::string& out) override;
    Win32Error SystemDirectory(std::string& out) override;
    Win32Error ProgramPath(std::string& out) override;
    std::uint32_t ConsoleSession() override;
    std::vector<std::uint32_t> Sessions() override;
    Win32Error SessionUser(std::uint32_t session, std::string& out) override;
    void DebugOutput(std::string_view text) override;
    void WriteStdout(std::string_view text) override;
    bool ErrorText(Win32Error code, std::string& out) override;
    bool SameTextNoCase(std::u16string_view a, std::u16string_view b) override;
};

}  // namespace zelta::win32
