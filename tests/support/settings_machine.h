// A simulated machine with the settings key, for the tests of settings and the log.
#pragma once

#include <string>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/sim/sim_host.h"

namespace zelta::testing {

class SettingsMachine {
public:
    explicit SettingsMachine(std::uint32_t osMajor = 5, std::uint32_t osMinor = 1) {
        host.SetOsVersion(osMajor, osMinor);
        host.SetInputDesktop("Default");
        host.SetWallClock(LocalTime{2026, 12, 7, 1, 20, 6, 0, 1});
        host.files().AddDirectory("C:\\Dialer");
    }

    void CreateKey() { host.registry().Create(RegistryRoot::LocalMachine, kSettingsKey); }
    void SetString(std::string_view name, std::string_view value) {
        host.registry().SetString(RegistryRoot::LocalMachine, kSettingsKey, name, value);
    }
    void SetDword(std::string_view name, std::uint32_t value) {
        host.registry().SetDword(RegistryRoot::LocalMachine, kSettingsKey, name, value);
    }
    void SetRaw(std::string_view name, RegType type, std::vector<std::uint8_t> bytes) {
        host.registry().SetValue(RegistryRoot::LocalMachine, kSettingsKey, name, type, std::move(bytes));
    }
    std::optional<std::uint32_t> Dword(std::string_view name) {
        return host.registry().Dword(RegistryRoot::LocalMachine, kSettingsKey, name);
    }
    std::string LogText(std::string_view path = "C:\\Dialer\\vpn.log") {
        return host.files().Text(path).value_or("<no file>");
    }

    sim::SimHost host;
    sim::SimProcess& process = host.NewProcess("dial.exe", "SYSTEM", "Default");
    Platform& platform = process.platform();
    Log log{platform};
};

}  // namespace zelta::testing
