// Implements platform/event_log.h with RegisterEventSource and ReportEvent.
#include "platform/win32/event_log.h"

#include <windows.h>

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace zelta::win32 {

Win32Error Win32EventLog::Report(std::string_view source, EventType type, std::uint32_t eventId,
                                 std::span<const std::string> strings) {
    UniqueEventSource log(::RegisterEventSourceW(nullptr, Wide(source).c_str()));
    if (!log) return ::GetLastError();
    std::vector<std::wstring> wide;
    for (const std::string& s : strings) wide.push_back(Wide(s));
    std::vector<const wchar_t*> pointers;
    for (const std::wstring& s : wide) pointers.push_back(s.c_str());
    if (!::ReportEventW(log.Get(), static_cast<WORD>(type), 0, eventId, nullptr, static_cast<WORD>(pointers.size()), 0,
                        pointers.empty() ? nullptr : pointers.data(), nullptr))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace zelta::win32
