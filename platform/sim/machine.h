// Machine: the simulated Windows host's own facts that are not files or registry: its OS version,
// wall clock, desktops, name service, services, system messages and debugger output. Fields left
// unset make the calls that need them fail loudly with what to configure.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/service_manager.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace zelta::sim {

struct ServiceRecord {
    ServiceState state = ServiceState::Stopped;
};

struct DebugLine {
    std::string program;
    std::string text;
};

struct Machine {
    std::optional<OsVersion> osVersion;
    std::optional<LocalTime> wallClockAtStart;  // local time when virtual time was 0
    std::uint32_t tickCountAtStart = 0;
    std::optional<std::string> inputDesktop;
    std::map<std::string, Ipv4, NoCaseLess> hosts;
    std::map<std::string, ServiceRecord, NoCaseLess> services;
    std::map<Win32Error, std::string> errorTexts = DefaultErrorTexts();
    std::vector<DebugLine> debugOutput;

    static std::map<Win32Error, std::string> DefaultErrorTexts();
};

}  // namespace zelta::sim
