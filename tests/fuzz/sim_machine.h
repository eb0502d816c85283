// A simulated machine for the fuzz targets, set up as the unit tests set theirs up: a Windows XP
// laptop with the dialer's settings key, a clock, a desktop and a process to run product code in.
#pragma once

#include <memory>

#include "common/dialer_settings.h"
#include "common/log.h"
#include "platform/sim/sim_host.h"

namespace zelta::fuzz {

struct SimMachine {
    SimMachine() {
        host.SetOsVersion(5, 1);
        host.SetInputDesktop("Default");
        host.SetWallClock(LocalTime{2026, 12, 8, 9, 0, 0, 0, 2});
        host.files().AddDirectory("C:\\Dialer");
        host.registry().Create(RegistryRoot::LocalMachine, kSettingsKey);
        host.registry().SetString(RegistryRoot::LocalMachine, kSettingsKey, "ZeltaVPNPath", "C:\\Dialer\\dial.exe");
    }
    sim::SimHost host;
    sim::SimProcess& process = host.NewProcess("dial.exe", "SYSTEM", "Default");
    Platform& platform = process.platform();
    Log log{platform};
};

}  // namespace zelta::fuzz
