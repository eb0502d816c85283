// Self-registration: the library's path in remote access's "CustomDLL" list and the helper service
// installed (regsvr32), both undone and the phonebook entry deleted (regsvr32 /u); and the start of
// the dialer program.
#include "common/shared_names.h"
#include "customdial/custom_dialer.h"
#include "customdial/multi_sz.h"
#include "platform/text.h"

namespace zelta {
namespace {

constexpr std::string_view kRasmanParameters = "SYSTEM\\CurrentControlSet\\Services\\Rasman\\Parameters";
constexpr std::string_view kCustomDllValue = "CustomDLL";
constexpr std::string_view kServiceProgram = "ZeltaService.exe";
// "CustomDLL" holds a few paths; a value larger than this is not a list this library wrote into.
constexpr std::size_t kCustomDllCapacity = 64 * 1024;
constexpr std::size_t kDialerPathCapacity = 520;  // bytes: 259 characters and the terminator

std::u16string ModulePath16(const std::string& path) { return Utf8ToUtf16(path); }

// The list's paths compare as the system compares them.
SameText SystemComparison(SystemInfo& system) {
    return [&system](std::u16string_view a, std::u16string_view b) { return system.SameTextNoCase(a, b); };
}

enum class ListRead { NoKey, Failed, Read };

// Opens the Rasman parameters key for everything and reads "CustomDLL" (no data when absent).
ListRead ReadCustomDllList(Registry& registry, std::unique_ptr<RegistryKey>& key, RegValue& value) {
    if (registry.OpenKey(RegistryRoot::LocalMachine, kRasmanParameters, RegAccess::All, key) != err::kSuccess)
        return ListRead::NoKey;
    const Win32Error read = key->QueryValue(kCustomDllValue, kCustomDllCapacity, value);
    if (read == err::kFileNotFound) value = RegValue{};
    return read == err::kSuccess || read == err::kFileNotFound ? ListRead::Read : ListRead::Failed;
}

}  // namespace

std::string CustomDialer::ModuleDirectory() const {
    const auto slash = m_modulePath.rfind('\\');
    return slash == std::string::npos ? std::string() : m_modulePath.substr(0, slash);
}

void CustomDialer::StartServiceProgram(const char* option) {
    const std::string program = ModuleDirectory() + "\\" + std::string(kServiceProgram);
    m_platform.processes.Start(QuotedCommandLine(program, option), StartWindow::Hidden);
}

std::uint32_t CustomDialer::DllRegisterServer() {
    std::uint32_t result = kEUnexpected;
    WriteCustomDialLog("DllRegisterServer called in customdial.dll\n");
    const std::u16string path = ModulePath16(m_modulePath);
    std::unique_ptr<RegistryKey> key;
    RegValue value;
    const ListRead list = ReadCustomDllList(m_platform.registry, key, value);
    if (list == ListRead::Failed) return kEUnexpected;
    if (list == ListRead::Read) {
        if (!FindInMultiSz(path, value.data, SystemComparison(m_platform.system))) {
            const std::vector<std::uint8_t> updated = AppendToMultiSz(value.data, path);
            if (key->SetValue(kCustomDllValue, RegType::MultiString, updated) != err::kSuccess) {
                WriteCustomDialLog("Done regsetvalueex Failed\n");
                return kEUnexpected;
            }
            WriteCustomDialLog("Done regsetvalueex\n");
        }
        result = kSOk;
    }
    WriteCustomDialLog("DllRegisterServer exiting customdial.dll with return code: 0x%08x\n", result);
    StartServiceProgram("-install");
    return result;
}

std::uint32_t CustomDialer::DllUnregisterServer() {
    std::uint32_t result = kEUnexpected;
    WriteCustomDialLog("DllUnregisterServer called in customdial.dll\n");
    const std::u16string path = ModulePath16(m_modulePath);
    std::unique_ptr<RegistryKey> key;
    RegValue value;
    const ListRead list = ReadCustomDllList(m_platform.registry, key, value);
    if (list == ListRead::Failed) return kEUnexpected;
    if (list == ListRead::Read) {
        if (!value.data.empty()) {
            if (const auto at = FindInMultiSz(path, value.data, SystemComparison(m_platform.system))) {
                const std::vector<std::uint8_t> updated = RemoveFromMultiSz(value.data, *at);
                const Win32Error written = IsEmptyMultiSz(updated) ? key->DeleteValue(kCustomDllValue)
                                                                : key->SetValue(kCustomDllValue, RegType::MultiString, updated);
                if (written != err::kSuccess) return kEUnexpected;
            }
        }
        result = kSOk;
    }
    if (const Win32Error rc = m_platform.remoteAccess.DeleteEntry("", kEntryName); rc != err::kSuccess)
        WriteCustomDialLog("--- RasDeleteEntry failed in DllUnregisterServer: Error = %d\n", static_cast<int>(rc));
    WriteCustomDialLog("DllUnregisterServer exiting customdial.dll with return code: 0x%08x\n", result);
    StartServiceProgram("-remove");
    return result;
}

void CustomDialer::LaunchDialer() {
    std::unique_ptr<RegistryKey> key;
    if (m_platform.registry.OpenKey(RegistryRoot::LocalMachine, kSettingsKey, RegAccess::Read, key) != err::kSuccess) {
        WriteCustomDialLog("Error opening registry\n");
        return;
    }
    WriteCustomDialLog("Opened registry\n");
    RegValue value;
    if (key->QueryValue("ZeltaVPNPath", kDialerPathCapacity, value) != err::kSuccess) return;
    WriteCustomDialLog("Opened key\n");
    const std::string program = DecodeRegString(value.data);
    m_platform.processes.Start(QuotedCommandLine(program), StartWindow::Default);
    WriteCustomDialLog("Launched process %s\n", program.c_str());
}

}  // namespace zelta
