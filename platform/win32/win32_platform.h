// Win32Platform: the composition of the real implementations, owned by a program's entry point.
#pragma once

#include "platform/platform.h"
#include "platform/win32/clock.h"
#include "platform/win32/device_io.h"
#include "platform/win32/wireless_lan.h"
#include "platform/win32/event_log.h"
#include "platform/win32/file_system.h"
#include "platform/win32/instance.h"
#include "platform/win32/ip_helper.h"
#include "platform/win32/named_pipe.h"
#include "platform/win32/processes.h"
#include "platform/win32/registry.h"
#include "platform/win32/remote_access.h"
#include "platform/win32/resolver.h"
#include "platform/win32/service_host.h"
#include "platform/win32/service_manager.h"
#include "platform/win32/sockets.h"
#include "platform/win32/system_info.h"
#include "platform/win32/ui.h"

namespace zelta::win32 {

class Win32Platform {
public:
    // `instance`: the module whose resources the dialogs and strings come from (the program's own,
    // or the library's when it runs inside another program).
    explicit Win32Platform(HINSTANCE instance = ::GetModuleHandleW(nullptr)) : m_dialogs(instance), m_resources(instance) {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform& platform() { return m_platform; }

private:
    Win32Registry m_registry;
    Win32FileSystem m_files;
    Win32Clock m_clock;
    Win32SystemInfo m_system;
    Win32ServiceManager m_services;
    Win32Resolver m_resolver;
    Win32Sockets m_sockets;
    Win32RemoteAccess m_remoteAccess;
    Win32ServiceHost m_serviceHost;
    Win32EventLog m_eventLog;
    Win32NamedPipe m_pipes{m_serviceHost.ControlEvent()};
    Win32Instance m_instance;
    Win32Processes m_processes;
    Win32IpHelper m_ipHelper;
    Win32DeviceIo m_deviceIo;
    Win32WirelessLan m_wlan;
    Win32DialogHost m_dialogs;
    Win32Resources m_resources;
    Platform m_platform{m_registry,  m_files,     m_clock,       m_system,   m_services,  m_resolver,
                        m_sockets,   m_remoteAccess, m_pipes,    m_instance, m_processes, m_ipHelper,
                        m_deviceIo,  m_dialogs,   m_resources,   m_serviceHost, m_eventLog,  m_wlan};
};

}  // namespace zelta::win32
