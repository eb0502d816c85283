// A simulated machine with the helper service's program and the dialer's file installed, for the
// service's tests. The dialer's image only takes the instance mutex and stays a minute, as a window
// would; on the log-on screen it leaves within 5 seconds of a log-on, as the dialer's desktop check
// makes it.
#pragma once

#include <string>
#include <vector>

#include "common/shared_names.h"
#include "tests/support/settings_machine.h"
#include "service/service_main.h"

namespace zelta::testing {

class ServiceMachine : public SettingsMachine {
public:
    ServiceMachine() {
        SetString("ZeltaVPNPath", "C:\\Dialer\\dial.exe");
        SetDword("DEBUG", 31);
        host.files().Write("C:\\Dialer\\dial.exe", {});
        host.files().Write("C:\\Dialer\\ZeltaService.exe", {});
        host.AddProgramImage("dial.exe", [](sim::SimProcess& p, const std::vector<std::string>&) {
            Platform& os = p.platform();
            if (os.instance.ClaimMutex(kInstanceMutexName) != err::kSuccess) return 1;
            for (std::uint64_t lived = 0; lived < dialerLifeMs; lived += 5000) {
                os.clock.Sleep(5000);
                std::string input;
                if (p.facts().desktop == "Winlogon" && os.system.InputDesktopName(input) == err::kSuccess &&
                    input != "Winlogon")
                    return 0;
            }
            return 0;
        });
        host.AddProgramImage("ZeltaService.exe", [](sim::SimProcess& p, const std::vector<std::string>& args) {
            return ZeltaServiceMain(p.platform(), args);
        });
    }

    // Runs `ZeltaService.exe ARGS` from a command prompt as `account`, to its end; its exit code.
    int RunService(const std::vector<std::string>& args, const std::string& account = "Administrator") {
        const int id = host.Launch({"C:\\Dialer\\ZeltaService.exe", args, account, "Default", 0, {}});
        host.RunFor(0);
        for (int i = 0; i < 600 && !host.HasEnded(id); ++i) host.RunFor(100);
        return host.ExitCode(id);
    }

    std::string Stdout() {
        std::string text;
        for (const auto& line : host.machine().standardOutput) text += line.text;
        return text;
    }

    // The dialers started so far, as "account desktop session".
    std::vector<std::string> Dialers() {
        std::vector<std::string> seen;
        for (const auto& p : host.processes())
            if (p.facts().image == "dial.exe" && p.programId() != 0) seen.push_back(p.facts().account + " " + p.facts().desktop + " " +
                                                              std::to_string(p.facts().session));
        return seen;
    }

    static constexpr std::uint64_t dialerLifeMs = 60000;
};

}  // namespace zelta::testing
