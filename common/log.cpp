// Log: level-filtered, time-stamped, size-rotated records in vpn.log.
#include "common/log.h"

#include <cstdio>
#include <vector>

namespace zelta {
namespace {

constexpr const char* kLogName = "vpn.log";
constexpr const char* kRotatedName = "vpn.log.1";

// The C locale's month abbreviations: the stamp never follows the user's locale.
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Length in bytes of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;  // a stray byte counts as one character, as the ANSI code page would show it
}

// Cuts `text` to at most `maxUnits` UTF-16 units without splitting a character.
void CutToCharacters(std::string& text, std::size_t maxUnits) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        const std::size_t width = length == 4 ? 2 : 1;
        if (units + width > maxUnits || i + length > text.size()) {
            text.resize(i);
            return;
        }
        units += width;
        i += length;
    }
}

}  // namespace

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[i]));
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

std::string FormatBounded(std::size_t capacity, const char* format, std::va_list args) {
    if (capacity == 0) return {};
    // Room for capacity - 1 characters of up to four bytes each: the cut below, not vsnprintf's,
    // decides where the text ends.
    std::vector<char> buffer((capacity - 1) * 4 + 1);
    std::va_list copy;
    va_copy(copy, args);
    const int written = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (written < 0) return {};
    std::string text(buffer.data());
    CutToCharacters(text, capacity - 1);
    return text;
}

bool Log::Enable(std::string_view installDir) {
    std::string path = std::string(installDir) + "\\" + kLogName;
    std::string rotated = std::string(installDir) + "\\" + kRotatedName;
    if (CharacterCount(rotated) > kPathCapacity - 1) {
        m_enabled = false;
        m_path.clear();
        m_rotatedPath.clear();
        m_platform.system.DebugOutput("vpn.log: the installation directory is too long for a log path; logging is off\n");
        return false;
    }
    m_path = std::move(path);
    m_rotatedPath = std::move(rotated);
    m_enabled = true;
    return true;
}

void Log::SetMaskFromDebugSetting(std::uint32_t debugMask) {
    if (debugMask != 0) m_mask = debugMask;
}

void Log::LogMessage(std::uint32_t level, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    LogMessageV(level, format, args);
    va_end(args);
}

void Log::RotateIfDue() {
    if (m_counter % kRotationCheckEvery != 0 && !m_rotationFailed) return;
    std::uint64_t size = 0;
    if (m_platform.files.SizeOf(m_path, size) != err::kSuccess || size <= kRotateAbove) {
        m_rotationFailed = false;
        return;
    }
    m_platform.files.Remove(m_rotatedPath);
    // When the rename fails (another process holds the file) the record still goes to the current
    // file, and the very next record tries again.
    m_rotationFailed = m_platform.files.Rename(m_path, m_rotatedPath) != err::kSuccess;
}

void Log::LogMessageV(std::uint32_t level, const char* format, std::va_list args) {
    if (!m_enabled || (level & m_mask) == 0) return;
    RotateIfDue();
    ++m_counter;
    const std::string message = FormatBounded(kMessageCapacity, format, args);
    m_platform.files.AppendText(m_path, Stamp() + ": " + message);
}

std::string Log::Stamp() {
    LocalTime t;
    if (!m_platform.clock.Now(t) || t.month < 1 || t.month > 12) return {};
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%s %02d %02d:%02d:%02d", kMonths[t.month - 1], t.day % 100, t.hour % 100,
                  t.minute % 100, t.second % 100);
    return stamp;
}

void Log::LogSystemError(Win32Error code) {
    std::string text;
    if (m_platform.system.ErrorText(code, text)) {
        LogMessage(log_level::kMain, "error: %s\n", text.c_str());
    } else {
        LogMessage(log_level::kMain, "error: %lu\n", static_cast<unsigned long>(code));
    }
}

void Log::DebugTrace(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::string text = FormatBounded(kDebugTraceCapacity, format, args);
    va_end(args);
    m_platform.system.DebugOutput(text);
}

std::string LogSafe(std::string_view text) {
    std::string safe(text);
    for (std::size_t i = 0; i < safe.size(); ++i) {
        const auto c = static_cast<unsigned char>(safe[i]);
        if (c < 0x20 || c == 0x7F) {
            safe[i] = '?';
        } else if (c == 0xC2 && i + 1 < safe.size() && static_cast<unsigned char>(safe[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(safe[i + 1]) <= 0x9F) {
            safe.replace(i, 2, "?");  // U+0080 to U+009F, the second set of control characters
        }
    }
    return safe;
}

}  // namespace zelta
