// Platform: the operating system as one program sees it. A composition root builds one (from the
// real Windows implementations or from a simulated host) and hands it to product code, which
// reaches the OS through nothing else.
#pragma once

#include "platform/clock.h"
#include "platform/device_io.h"
#include "platform/event_log.h"
#include "platform/file_system.h"
#include "platform/instance.h"
#include "platform/ip_helper.h"
#include "platform/named_pipe.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/remote_access.h"
#include "platform/resolver.h"
#include "platform/service_host.h"
#include "platform/service_manager.h"
#include "platform/sockets.h"
#include "platform/system_info.h"
#include "platform/ui.h"
#include "platform/wireless_lan.h"

namespace zelta {

struct Platform {
    Registry& registry;
    FileSystem& files;
    Clock& clock;
    SystemInfo& system;
    ServiceManager& services;
    Resolver& resolver;
    Sockets& sockets;
    RemoteAccess& remoteAccess;
    NamedPipe& pipes;
    Instance& instance;
    Processes& processes;
    IpHelper& ipHelper;
    DeviceIo& deviceIo;
    DialogHost& dialogs;
    Resources& resources;
    ServiceHost& serviceHost;
    EventLog& eventLog;
    WirelessLan& wlan;
};

}  // namespace zelta
