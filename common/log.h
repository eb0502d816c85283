// Log: the process's log file "vpn.log" in the installation directory, rotated to "vpn.log.1".
//
// One Log per process (both deliverables append to the same file, each with its own state). It stays
// off until the settings are loaded (DialerSettings::Load switches it on), writes only records whose
// level shares a bit with the mask, stamps each record with the local time, and opens and closes the
// file for every record so that another process may append or rotate in between.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace zelta {

// Levels the callers use; a record is written when its level has a bit in common with the mask.
namespace log_level {
inline constexpr std::uint32_t kMain = 0x01;      // main events and most errors
inline constexpr std::uint32_t kRoutes = 0x04;    // interface table and route detail
inline constexpr std::uint32_t kDevices = 0x08;   // devices, the phonebook entry, interface choice
inline constexpr std::uint32_t kVerbose = 0x10;   // verbose connection status
}  // namespace log_level

#if defined(__GNUC__)
#define ZELTA_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#else
#define ZELTA_PRINTF(format_index, first_arg)
#endif

class Log {
public:
    static constexpr std::uint64_t kRotateAbove = 40960;     // bytes; a file of exactly this size stays
    static constexpr std::size_t kMessageCapacity = 1024;    // characters, with the terminator
    static constexpr std::size_t kPathCapacity = 1024;       // characters, with the terminator
    static constexpr std::size_t kDebugTraceCapacity = 2048; // characters, with the terminator
    static constexpr std::uint32_t kRotationCheckEvery = 10; // records

    explicit Log(Platform& platform) : m_platform(platform) {}

    // Points the log at `installDir` + "\vpn.log" (and "\vpn.log.1") and switches it on. A directory
    // so long that a path would not fit is refused: the log is switched off rather than written to a
    // cut path. Returns whether the log is on.
    bool Enable(std::string_view installDir);
    // A non-zero "DEBUG" setting replaces the mask; zero leaves it as it was.
    void SetMaskFromDebugSetting(std::uint32_t debugMask);

    // A printf-style record; the format carries its own "\n".
    void LogMessage(std::uint32_t level, const char* format, ...) ZELTA_PRINTF(3, 4);
    void LogMessageV(std::uint32_t level, const char* format, std::va_list args);

    // "error: <the system's text for code>\n" at level 1; the number when the system has no text.
    void LogSystemError(Win32Error code);

    // A line for the debugger only: no mask, no file.
    void DebugTrace(const char* format, ...) ZELTA_PRINTF(2, 3);

    bool enabled() const { return m_enabled; }
    std::uint32_t mask() const { return m_mask; }
    std::uint32_t counter() const { return m_counter; }
    const std::string& path() const { return m_path; }
    const std::string& rotatedPath() const { return m_rotatedPath; }

private:
    void RotateIfDue();
    std::string Stamp();

    Platform& m_platform;
    bool m_enabled = false;
    std::uint32_t m_mask = log_level::kMain;
    std::uint32_t m_counter = 0;
    bool m_rotationFailed = false;  // a failed rename is retried with the very next record
    std::string m_path;
    std::string m_rotatedPath;
};

// A text from outside (a driver's adapter description, another program's user or entry name) fit for
// a log record: every control character becomes '?', so that a CR LF in it can never start a record
// of its own.
std::string LogSafe(std::string_view text);

// Formats printf-style into at most `capacity` - 1 characters (UTF-16 units, never splitting one).
std::string FormatBounded(std::size_t capacity, const char* format, std::va_list args);

// The number of characters `text` has as Windows counts them (UTF-16 units).
std::size_t CharacterCount(std::string_view utf8);

}  // namespace zelta
