// A simulated machine on the campus with a configured dialer: the settings key, the VPN devices and
// the helper service's pipe. Tests change what they need from there.
#pragma once

#include "common/shared_names.h"
#include "tests/support/settings_machine.h"
#include "dialer/dial_resources.h"
#include "dialer/dialer_app.h"
#include "dialer/service_pipe.h"

namespace zelta::testing {

class DialerMachine : public SettingsMachine {
public:
    explicit DialerMachine(std::uint32_t osMajor = 5, std::uint32_t osMinor = 1) : SettingsMachine(osMajor, osMinor) {
        SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        SetString("SETUPIP", "10.1.0.1");
        SetDword("DEBUG", 31);
        host.AddRasDevice("modem", "Standard Modem");
        host.AddRasDevice("vpn", "WAN Miniport (PPTP)");
        host.AddRasDevice("vpn", "WAN Miniport (L2TP)");
        host.SetImageResources("dial.exe", DialResources());
    }

    // Starts dial.exe as `account`; its exit code is the road it took.
    sim::SimProcess& StartDialer(const std::string& account, const std::string& desktop = "Default") {
        return host.Start(
            "dial.exe", account,
            [](sim::SimProcess& p) {
                DialerProcess state(p.platform());
                return static_cast<int>(DialerApp(state).InitInstance());
            },
            desktop);
    }
    static StartRoad Road(const sim::SimProcess& p) { return static_cast<StartRoad>(p.exitCode()); }

    sim::PipeServer& HelperService() { return host.AddPipeServer(std::string(kServicePipeName)); }
    const RasEntry* Entry() {
        const auto it = host.phonebook().entries.find(kEntryName);
        return it == host.phonebook().entries.end() ? nullptr : &it->second;
    }
};

}  // namespace zelta::testing
