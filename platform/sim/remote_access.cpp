// Implements platform/remote_access.h over the simulated machine's phonebook.
#include "platform/sim/remote_access.h"

#include <algorithm>

#include "platform/sim/scheduler.h"

namespace zelta::sim {
namespace {

constexpr Win32Error kInvalidName = 123;  // ERROR_INVALID_NAME

}  // namespace

std::string InBook(std::string_view phonebook) {
    return phonebook.empty() ? std::string() : " in " + std::string(phonebook);
}

// Windows 2000 knows only its own record; XP and later take both.
bool SimRemoteAccess::KnowsForm(RasEntryForm form) const {
    if (const auto& sizes = m_machine.vpnServer.entrySizes)
        return std::find(sizes->begin(), sizes->end(), static_cast<std::uint32_t>(form)) != sizes->end();
    if (!m_machine.osVersion)
        throw SimSetupError("RemoteAccess: the machine has no OS version, which decides the entry forms it "
                            "accepts; set it with SimHost::SetOsVersion");
    const OsVersion& v = *m_machine.osVersion;
    const bool xpOrLater = v.major > 5 || (v.major == 5 && v.minor >= 1);
    return form == RasEntryForm::Windows2000 || xpOrLater;
}

Win32Error SimRemoteAccess::ValidateEntryName(std::string_view entry) {
    if (auto fault = m_faults.Check("RasValidateEntryName", entry)) return *fault;
    if (entry.empty() || entry.size() > 256 || entry.find_first_of("\\/:*?\"<>|") != std::string_view::npos)
        return kInvalidName;
    return m_machine.phonebook.entries.contains(entry) ? err::kAlreadyExists : err::kSuccess;
}

Win32Error SimRemoteAccess::GetEntryProperties(std::string_view entry, RasEntryForm form, RasEntry& out) {
    if (auto fault = m_faults.Check("RasGetEntryProperties", entry)) return *fault;
    if (!KnowsForm(form)) return ras_error::kInvalidSize;
    const auto it = m_machine.phonebook.entries.find(entry);
    if (it == m_machine.phonebook.entries.end()) return ras_error::kCannotFindPhonebookEntry;
    out = it->second;
    out.dwSize = form;
    if (form == RasEntryForm::Windows2000) out.dwfOptions2 = 0;  // not in that record
    return err::kSuccess;
}

Win32Error SimRemoteAccess::SetEntryProperties(std::string_view entry, const RasEntry& value) {
    if (auto fault = m_faults.Check("RasSetEntryProperties", entry)) return *fault;
    if (!KnowsForm(value.dwSize)) return ras_error::kInvalidSize;
    if (entry.empty()) return kInvalidName;
    RasEntry stored = value;
    if (value.dwSize == RasEntryForm::Windows2000) {
        const auto old = m_machine.phonebook.entries.find(entry);
        stored.dwfOptions2 = old == m_machine.phonebook.entries.end() ? 0 : old->second.dwfOptions2;
    }
    m_machine.phonebook.entries.insert_or_assign(std::string(entry), std::move(stored));
    m_machine.phonebook.writes.emplace_back(entry);
    m_machine.journal.Note("entry", "\"" + std::string(entry) + "\" written");
    return err::kSuccess;
}

Win32Error SimRemoteAccess::SetPresharedKey(std::string_view entry, const SecretBuffer& key) {
    if (auto fault = m_faults.Check("RasSetCredentials", entry)) return *fault;
    if (!m_machine.phonebook.entries.contains(entry)) return ras_error::kCannotFindPhonebookEntry;
    m_machine.phonebook.presharedKeys.insert_or_assign(std::string(entry), std::string(key.View()));
    m_machine.journal.Note("entry", "\"" + std::string(entry) + "\" pre-shared key set");  // never the key itself
    return err::kSuccess;
}

Win32Error SimRemoteAccess::EnumDevices(std::size_t capacity, std::vector<RasDevice>& out, std::uint32_t& count) {
    count = 0;
    if (auto fault = m_faults.Check("RasEnumDevices")) return *fault;
    const auto& devices = m_machine.phonebook.devices;
    count = static_cast<std::uint32_t>(devices.size());
    if (devices.size() > capacity) {
        out.clear();
        return ras_error::kBufferTooSmall;
    }
    out = devices;
    return err::kSuccess;
}

Win32Error SimRemoteAccess::DeleteEntry(std::string_view phonebook, std::string_view entry) {
    if (auto fault = m_faults.Check("RasDeleteEntry", entry)) return *fault;
    Phonebook& book = m_machine.PhonebookAt(phonebook);
    const auto it = book.entries.find(entry);
    if (it == book.entries.end()) return ras_error::kCannotFindPhonebookEntry;
    book.entries.erase(it);
    book.dialParams.erase(std::string(entry));
    m_machine.journal.Note("entry", "\"" + std::string(entry) + "\" deleted" + InBook(phonebook));
    return err::kSuccess;
}

}  // namespace zelta::sim
