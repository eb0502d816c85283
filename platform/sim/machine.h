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
#include "platform/remote_access.h"
#include "platform/ui.h"
#include "platform/ipv4.h"
#include "platform/service_manager.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace zelta::sim {

struct ServiceRecord {
    ServiceState state = ServiceState::Stopped;
};

// The default phonebook and the remote-access devices.
struct Phonebook {
    std::map<std::string, RasEntry, NoCaseLess> entries;
    std::vector<RasDevice> devices;
    std::vector<std::string> writes;  // the entry name of every successful RasSetEntryProperties
};

// A named pipe's server end, as the helper service would answer.
struct PipeServer {
    std::uint64_t busyUntil = 0;  // virtual ms; every instance is busy before then
    std::uint64_t replyDelay = 0; // ms between the request and its reply
    std::map<std::uint8_t, std::vector<std::uint8_t>> replies;  // by the request's first byte
    std::vector<std::uint8_t> defaultReply;
    std::vector<std::vector<std::uint8_t>> received;
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
    Phonebook phonebook;
    std::map<std::string, PipeServer, NoCaseLess> pipes;
    std::map<std::string, int, NoCaseLess> mutexHolders;           // mutex name -> process id
    std::map<std::string, WindowHandle, NoCaseLess> sharedWindows;  // image name -> shared handle

    static std::map<Win32Error, std::string> DefaultErrorTexts();
};

}  // namespace zelta::sim
