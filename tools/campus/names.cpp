// Names of states, start types and phonebook entry fields.
#include "tools/campus/names.h"

#include <cstdio>

#include "platform/text.h"
#include "tools/campus/script.h"

namespace zelta::campus {
namespace {

struct NumberField {
    const char* name;
    std::uint32_t RasEntry::*member;
};
constexpr NumberField kNumbers[] = {
    {"dwfOptions", &RasEntry::dwfOptions},
    {"dwfNetProtocols", &RasEntry::dwfNetProtocols},
    {"dwIdleDisconnectSeconds", &RasEntry::dwIdleDisconnectSeconds},
    {"dwType", &RasEntry::dwType},
    {"dwEncryptionType", &RasEntry::dwEncryptionType},
    {"dwVpnStrategy", &RasEntry::dwVpnStrategy},
    {"dwfOptions2", &RasEntry::dwfOptions2},
};

struct TextField {
    const char* name;
    std::string RasEntry::*member;
};
const TextField kTexts[] = {
    {"szLocalPhoneNumber", &RasEntry::szLocalPhoneNumber},
    {"szDeviceType", &RasEntry::szDeviceType},
    {"szDeviceName", &RasEntry::szDeviceName},
    {"szCustomDialDll", &RasEntry::szCustomDialDll},
};

}  // namespace

std::vector<std::string> EntryFieldNames() {
    std::vector<std::string> names;
    for (const auto& f : kNumbers) names.emplace_back(f.name);
    for (const auto& f : kTexts) names.emplace_back(f.name);
    return names;
}

bool IsEntryField(std::string_view field) {
    for (const auto& f : kNumbers)
        if (EqualsNoCase(f.name, field)) return true;
    for (const auto& f : kTexts)
        if (EqualsNoCase(f.name, field)) return true;
    return EqualsNoCase(field, "guidId") || EqualsNoCase(field, "dwSize");
}

std::string EntryField(const RasEntry& entry, std::string_view field) {
    for (const auto& f : kNumbers) {
        if (!EqualsNoCase(f.name, field)) continue;
        char text[16];
        std::snprintf(text, sizeof text, EqualsNoCase(field, "dwfOptions") ? "0x%08X" : "%u", entry.*f.member);
        return text;
    }
    for (const auto& f : kTexts)
        if (EqualsNoCase(f.name, field)) return entry.*f.member;
    if (EqualsNoCase(field, "dwSize")) return std::to_string(static_cast<std::uint32_t>(entry.dwSize));
    std::string hex;
    for (std::uint8_t b : entry.guidId) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

bool SetEntryField(RasEntry& entry, std::string_view field, const std::string& value) {
    for (const auto& f : kNumbers) {
        if (!EqualsNoCase(f.name, field)) continue;
        const auto number = ParseNumber(value);
        if (!number || *number < 0 || *number > 0xFFFFFFFFLL) return false;
        entry.*f.member = static_cast<std::uint32_t>(*number);
        return true;
    }
    for (const auto& f : kTexts) {
        if (!EqualsNoCase(f.name, field)) continue;
        entry.*f.member = value;
        return true;
    }
    if (EqualsNoCase(field, "dwSize")) {
        if (value != "2884" && value != "2088") return false;
        entry.dwSize = value == "2884" ? RasEntryForm::WindowsXp : RasEntryForm::Windows2000;
        return true;
    }
    if (EqualsNoCase(field, "guidId") && value.size() == 32) {
        for (std::size_t i = 0; i < 16; ++i) {
            const auto byte = ParseNumber("0x" + value.substr(2 * i, 2));
            if (!byte) return false;
            entry.guidId[i] = static_cast<std::uint8_t>(*byte);
        }
        return true;
    }
    return false;
}

bool EntryFieldEquals(const RasEntry& entry, std::string_view field, const std::string& expected) {
    const std::string actual = EntryField(entry, field);
    for (const auto& f : kNumbers) {
        if (!EqualsNoCase(f.name, field)) continue;
        const auto want = ParseNumber(expected);
        return want && *want == static_cast<std::int64_t>(entry.*f.member);
    }
    if (EqualsNoCase(field, "guidId")) return EqualsNoCase(actual, expected);
    return actual == expected;
}

}  // namespace zelta::campus
