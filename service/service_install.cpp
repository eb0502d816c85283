// Installing and removing the helper service.
#include "service/service_install.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "common/dialer_settings.h"
#include "common/shared_names.h"
#include "common/trusted_program.h"
#include "platform/text.h"
#include "service/service_events.h"

namespace zelta {
namespace {

constexpr std::uint32_t kPollMs = 250;
constexpr std::uint32_t kStartWaitMs = 15000;
constexpr std::uint32_t kStopWaitMs = 20000;
constexpr std::uint32_t kEventTypesSupported = 7;  // error, warning, information

int Say(Platform& platform, int exitCode, const std::string& line) {
    platform.system.WriteStdout("ZeltaService: " + line + "\n");
    return exitCode;
}

std::string Reason(Platform& platform, Win32Error code) {
    std::string text;
    platform.system.ErrorText(code, text);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

// Polls until the service runs; false when it stopped instead or after `limitMs`.
bool WaitRunning(Platform& platform, Service& service, std::uint32_t limitMs, ServiceStatus& status) {
    const std::uint32_t start = platform.clock.TickCount();
    for (;;) {
        if (service.QueryStatus(status) != err::kSuccess) return false;
        if (status.state == ServiceState::Running) return true;
        if (status.state == ServiceState::Stopped) return false;
        if (platform.clock.TickCount() - start > limitMs) return false;
        platform.clock.Sleep(kPollMs);
    }
}

// Stops the service and polls until it has; a start still under way is stopped once it runs.
bool StopAndWait(Platform& platform, Service& service, std::uint32_t limitMs) {
    const std::uint32_t start = platform.clock.TickCount();
    for (;;) {
        ServiceStatus status;
        if (service.QueryStatus(status) != err::kSuccess) return false;
        if (status.state == ServiceState::Stopped) return true;
        if (status.state == ServiceState::Running || status.state == ServiceState::Paused) service.Stop(status);
        if (platform.clock.TickCount() - start > limitMs) return false;
        platform.clock.Sleep(kPollMs);
    }
}

Win32Error RegisterEventLogSource(Platform& platform, const std::string& programPath) {
    std::unique_ptr<RegistryKey> key;
    if (const Win32Error rc = platform.registry.CreateKey(RegistryRoot::LocalMachine, kEventSourceKey, RegAccess::All, key))
        return rc;
    const auto file = EncodeRegString(programPath);
    if (const Win32Error rc = key->SetValue("EventMessageFile", RegType::ExpandString, file)) return rc;
    const std::uint32_t types = kEventTypesSupported;
    return key->SetValue("TypesSupported", RegType::Dword,
                         std::span(reinterpret_cast<const std::uint8_t*>(&types), sizeof types));
}

// The folder the program runs from and the settings key: administrators may change them, users
// may only read them (and run what is there), wherever the installation went.
std::optional<std::string> ProtectInstallation(Platform& platform, const std::string& programPath) {
    const std::string folder = FolderOf(programPath);
    if (folder.empty()) return "cannot tell its folder from " + programPath;
    if (const Win32Error rc = platform.files.ProtectFolder(folder); rc != err::kSuccess)
        return "the permissions of " + folder + " cannot be set, " + Reason(platform, rc);
    std::unique_ptr<RegistryKey> key;
    Win32Error rc = platform.registry.CreateKey(RegistryRoot::LocalMachine, kSettingsKey, RegAccess::Read, key);
    key.reset();
    if (rc == err::kSuccess) rc = platform.registry.ProtectKey(RegistryRoot::LocalMachine, kSettingsKey);
    if (rc != err::kSuccess)
        return "the permissions of HKLM\\" + std::string(kSettingsKey) + " cannot be set, " + Reason(platform, rc);
    return std::nullopt;
}

void UnregisterEventLogSource(Platform& platform) {
    std::unique_ptr<RegistryKey> application;
    if (platform.registry.OpenKey(RegistryRoot::LocalMachine, kEventLogApplicationKey, RegAccess::All, application) ==
        err::kSuccess)
        application->DeleteSubKey(kEventSource);
}

}  // namespace

int InstallService(Platform& platform) {
    std::string program;
    if (const Win32Error rc = platform.system.ProgramPath(program); rc != err::kSuccess)
        return Say(platform, 1, "cannot tell where this program is, " + Reason(platform, rc));
    // Quoted always: an unquoted path with a blank would let "C:\Program.exe" run in its place.
    const ServiceConfig config{std::string(kServiceDisplayName), "\"" + program + "\"", ServiceStartType::Automatic};

    std::unique_ptr<ServiceControlManager> manager;
    if (const Win32Error rc = platform.services.ConnectToCreate(manager); rc != err::kSuccess)
        return Say(platform, 1, "cannot open the service control manager to install, " + Reason(platform, rc));

    using namespace service_access;
    const std::uint32_t access = kQueryStatus | kStart | kChangeConfig;
    std::unique_ptr<Service> service;
    Win32Error rc = manager->Create(kHelperServiceName, config, access, service);
    if (rc == service_error::kServiceExists) {
        rc = manager->Open(kHelperServiceName, access, service);
        if (rc == err::kSuccess) rc = service->ChangeConfig(config);
    }
    if (rc != err::kSuccess) return Say(platform, 1, "cannot install the service, " + Reason(platform, rc));
    service->SetDescription(kServiceDescription);  // only what the Services console shows: not worth failing for

    if (const Win32Error source = RegisterEventLogSource(platform, program); source != err::kSuccess)
        return Say(platform, 1, "installed, but its event log source cannot be registered, " + Reason(platform, source));
    if (const auto failed = ProtectInstallation(platform, program))
        return Say(platform, 1, "installed, but " + *failed);

    rc = service->Start();
    if (rc != err::kSuccess && rc != service_error::kServiceAlreadyRunning)
        return Say(platform, 1, "installed, but it does not start, " + Reason(platform, rc));
    ServiceStatus status;
    if (!WaitRunning(platform, *service, kStartWaitMs, status)) {
        return Say(platform, 1, status.state == ServiceState::Stopped
                                    ? "installed, but it stopped at once, " + Reason(platform, status.win32ExitCode)
                                    : "installed, but it is not running after 15 seconds");
    }
    return Say(platform, 0, "installed and running (" + config.binaryPath + ")");
}

int RemoveService(Platform& platform) {
    std::unique_ptr<ServiceControlManager> manager;
    if (const Win32Error rc = platform.services.ConnectToCreate(manager); rc != err::kSuccess)
        return Say(platform, 1, "cannot open the service control manager to remove, " + Reason(platform, rc));

    using namespace service_access;
    std::unique_ptr<Service> service;
    Win32Error rc = manager->Open(kHelperServiceName, kQueryStatus | kStop | kDelete, service);
    if (rc == err::kServiceDoesNotExist) {
        UnregisterEventLogSource(platform);
        return Say(platform, 0, "not installed; nothing to remove");
    }
    if (rc != err::kSuccess) return Say(platform, 1, "cannot open the service, " + Reason(platform, rc));

    const bool stopped = StopAndWait(platform, *service, kStopWaitMs);

    rc = service->Delete();
    if (rc != err::kSuccess && rc != service_error::kServiceMarkedForDelete)
        return Say(platform, 1, "cannot delete the service, " + Reason(platform, rc));
    UnregisterEventLogSource(platform);
    if (!stopped)
        return Say(platform, 1, "did not stop within 20 seconds; it is deleted as soon as it stops");
    return Say(platform, 0, "removed");
}

int DeleteDialEntry(Platform& platform) {
    const Win32Error rc = platform.remoteAccess.DeleteEntry("", kEntryName);
    if (rc == ras_error::kCannotFindPhonebookEntry) return Say(platform, 0, "no phonebook entry \"Zelta VPN\"; nothing to delete");
    if (rc != err::kSuccess) return Say(platform, 1, "cannot delete the phonebook entry \"Zelta VPN\", error " + std::to_string(rc));
    return Say(platform, 0, "phonebook entry \"Zelta VPN\" deleted");
}

}  // namespace zelta
