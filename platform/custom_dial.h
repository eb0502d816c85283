// CustomDialLibrary: the entry points a custom-dial library offers Windows' remote-access manager,
// which loads the library named by a phonebook entry into whichever process dials, hangs up, shows
// the dial or properties dialog of, or deletes that entry, and calls these instead of doing the work
// itself; and the self-registration exports regsvr32 calls. zeltavpn.dll implements it; its Windows
// exports translate the system's records, and the simulated host calls it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/remote_access.h"
#include "platform/ui.h"

namespace zelta {

// RASDIALDLG: what the caller of the dial dialog asks of it, and the error it gets back.
struct RasDialDlgInfo {
    WindowHandle hwndOwner;
    std::uint32_t dwFlags = 0;  // kRasDialDlgPosition: open at (xDlg, yDlg)
    std::int32_t xDlg = 0;
    std::int32_t yDlg = 0;
    std::uint32_t dwSubEntry = 0;
    Win32Error dwError = 0;
};

inline constexpr std::uint32_t kRasDialDlgPosition = 0x1;  // RASDDFLAG_PositionDlg

// HRESULTs of the registration exports.
inline constexpr std::uint32_t kSOk = 0;
inline constexpr std::uint32_t kEUnexpected = 0x8000FFFFu;

class CustomDialLibrary {
public:
    virtual ~CustomDialLibrary() = default;  // the library leaves the process

    // A dial of the entry (null extensions or parameters stand for the caller's null pointers).
    virtual Win32Error RasCustomDial(const RasDialExtensions* extensions, std::string_view phonebook,
                                     RasDialParams* params, RasNotifier notifier, RasConnectionHandle& out) = 0;
    virtual Win32Error RasCustomHangUp(RasConnectionHandle connection) = 0;
    // The dial dialog; true only when the connection was made. `info` null: the caller gave none.
    virtual bool RasCustomDialDlg(std::string_view phonebook, std::optional<std::string> entry,
                                  std::optional<std::string> phoneNumber, RasDialDlgInfo* info) = 0;
    // The entry's properties dialog.
    virtual bool RasCustomEntryDlg(std::string_view phonebook, std::string_view entry) = 0;
    virtual Win32Error RasCustomDeleteEntryNotify(std::string_view phonebook, std::string_view entry) = 0;
    virtual std::uint32_t DllRegisterServer() = 0;
    virtual std::uint32_t DllUnregisterServer() = 0;
};

}  // namespace zelta
