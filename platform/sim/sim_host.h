// SimHost: one simulated Windows machine on the campus network, with its virtual-time scheduler,
// its registry, files, services and name service, injected faults, and the processes running on it.
//
// Tests and zelta-campus set the machine up through SimHost, start processes on it, move time on
// with RunFor, and inspect what changed. Each SimProcess hands product code a Platform.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>

#include "platform/custom_dial.h"
#include "platform/platform.h"
#include "platform/sim/clock.h"
#include "platform/sim/device_io.h"
#include "platform/sim/wireless_lan.h"
#include "platform/sim/event_log.h"
#include "platform/sim/faults.h"
#include "platform/sim/file_system.h"
#include "platform/sim/instance.h"
#include "platform/sim/ip_helper.h"
#include "platform/sim/machine.h"
#include "platform/sim/named_pipe.h"
#include "platform/sim/processes.h"
#include "platform/sim/registry.h"
#include "platform/sim/remote_access.h"
#include "platform/sim/resolver.h"
#include "platform/sim/scheduler.h"
#include "platform/sim/service_host.h"
#include "platform/sim/service_manager.h"
#include "platform/sim/sockets.h"
#include "platform/sim/system_info.h"
#include "platform/sim/ui.h"

namespace zelta::sim {

class SimHost;
class SimProcess;

// A library file the host can load into its processes: what its DllMain and exports stand for. It
// gets the process's platform as the library sees it (dialogs and strings from the library's own
// resources), the path it was loaded from, and its module handle.
using LibraryImage =
    std::function<std::unique_ptr<CustomDialLibrary>(Platform& platform, const std::string& path, std::uintptr_t module)>;

// A program file the host can run: its main function, given the process and the words of its
// command line after the program. Returns the exit code.
using ProgramImage = std::function<int(SimProcess& process, const std::vector<std::string>& args)>;

// One process on the simulated machine: its own identity and its own view of every platform call.
class SimProcess {
public:
    SimProcess(SimHost& host, ProcessFacts facts, int processId);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    Platform& platform() { return m_platform; }
    const ProcessFacts& facts() const { return m_facts; }
    int processId() const { return m_processId; }
    bool winsockStarted() const { return m_winsockStarted; }

    // For a process whose code the test ran itself: the process is gone, its libraries detached,
    // its mutexes free, and a service it ran stopped.
    void End();

    // LoadLibrary: the library at `path` (known by its file name), loaded once per process and
    // attached then. nullptr when the host has no such library.
    CustomDialLibrary* LoadLibrary(std::string_view path);
    // Every loaded library detaches, the last loaded first.
    void UnloadLibraries();

    // WSAStartup's effect: name lookups work only in a process that started Winsock.
    void SetWinsockStartedForTesting(bool started) { m_winsockStarted = started; }

    // Valid once the process was started with SimHost::Start.
    Scheduler::ProgramId programId() const { return m_programId; }
    bool HasEnded() const;
    int exitCode() const { return m_exitCode; }

private:
    friend class SimHost;

    SimHost& m_host;
    ProcessFacts m_facts;
    int m_processId;
    bool m_winsockStarted = false;
    SimRegistry m_registry;
    SimFileSystem m_files;
    SimClock m_clock;
    SimSystemInfo m_system;
    SimServiceManager m_services;
    SimResolver m_resolver;
    SimSockets m_sockets;
    SimRemoteAccess m_remoteAccess;
    SimNamedPipe m_pipes;
    SimInstance m_instance;
    SimProcesses m_processes;
    SimServiceHost m_serviceHost;
    SimEventLog m_eventLog;
    SimIpHelper m_ipHelper;
    SimDeviceIo m_deviceIo;
    SimWirelessLan m_wlan;
    SimDialogHost m_dialogs;
    SimResources m_resources;
    Platform m_platform;
    Scheduler::ProgramId m_programId = 0;
    int m_exitCode = 0;
    struct LoadedLibrary;
    std::vector<std::unique_ptr<LoadedLibrary>> m_libraries;  // last: detached before the rest goes
};

class SimHost final : public ProgramLauncher {
public:
    SimHost();
    ~SimHost();  // ends the programs still running before the machine goes away
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // The machine.
    void SetOsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build = 2195);
    void SetWallClock(const LocalTime& localTimeNow);  // the local time at the current virtual time
    void SetTickCount(std::uint32_t ticksNow);
    void SetInputDesktop(std::string name) { m_machine.inputDesktop = std::move(name); }
    void AddHostName(std::string name, Ipv4 address) { m_machine.hosts[std::move(name)] = {address}; }
    ServiceRecord& AddService(std::string name, ServiceState state,
                              ServiceStartType startType = ServiceStartType::Demand) {
        auto& record = m_machine.services[std::move(name)];
        record = ServiceRecord{state, startType};
        return record;
    }
    ServiceRecord* FindService(std::string_view name);
    void SetServiceState(std::string_view name, ServiceState state);
    void RemoveService(std::string_view name);
    void SetErrorText(Win32Error code, std::string text) { m_machine.errorTexts[code] = std::move(text); }
    void RemoveErrorText(Win32Error code) { m_machine.errorTexts.erase(code); }

    // Remote access: the VPN devices and the default phonebook.
    void AddRasDevice(std::string type, std::string name) {
        m_machine.phonebook.devices.push_back(RasDevice{std::move(type), std::move(name)});
    }
    Phonebook& phonebook() { return m_machine.phonebook; }

    // Network: adapters (with their first address, mask and gateway) and the forwarding table. An
    // adapter with an address gets its on-link route, as Windows gives it one.
    SimAdapter& AddAdapter(AdapterInfo info);
    SimAdapter* FindAdapter(std::uint32_t index);
    void AddRoute(RouteRow row) { m_machine.routes.push_back(row); }
    std::vector<RouteRow>& routes() { return m_machine.routes; }
    // The command lines programs ran, in order.
    const std::vector<CommandRun>& commands() const { return m_machine.commands; }
    // A pipe server answering on `name` ("\\.\pipe\zeltavpn"); the returned record scripts it.
    PipeServer& AddPipeServer(std::string name) { return m_machine.pipes[std::move(name)]; }
    PipeServer* FindPipeServer(std::string_view name);

    // The screen: open windows, the notification area, message boxes and menus, and the resources
    // each program image carries (what its dialogs are built from).
    Desktop& desktop() { return m_desktop; }
    void SetImageResources(std::string image, const ResourceSet& resources) {
        m_desktop.imageResources[std::move(image)] = &resources;
    }
    // A program file name ("ZeltaService.exe") whose real code runs when a program of the machine
    // starts a file of that name that exists on the machine.
    void AddProgramImage(std::string fileName, ProgramImage image) { m_programImages[std::move(fileName)] = std::move(image); }
    // A library file name ("zeltavpn.dll") the processes can load, with its resources.
    void AddLibraryImage(std::string fileName, LibraryImage image, const ResourceSet& resources) {
        SetImageResources(fileName, resources);
        m_libraryImages[std::move(fileName)] = std::move(image);
    }

    RegistryStore& registry() { return m_registry; }
    FileStore& files() { return m_files; }
    Faults& faults() { return m_faults; }
    Machine& machine() { return m_machine; }
    Scheduler& scheduler() { return m_scheduler; }
    Journal& journal() { return m_machine.journal; }

    // Processes. NewProcess gives a process whose product code the caller runs on its own thread
    // (the driver), as unit tests do. Start runs `main` as an independent program: it starts now,
    // runs until it first blocks, and from then on only while the driver lets time pass. An empty
    // desktop means the input desktop at start.
    SimProcess& NewProcess(std::string image, std::string account, std::string desktop = {});
    SimProcess& Start(std::string image, std::string account, std::function<int(SimProcess&)> main,
                      std::string desktop = {}, std::string label = {});
    // The same with every fact given: session, program path, the service it runs as.
    SimProcess& Start(ProcessFacts facts, std::function<int(SimProcess&)> main);

    // "dial.exe", then "dial.exe#2", ...: how the transcript tells copies of one image apart.
    std::string NewLabel(const std::string& image);
    // The latest process with that label, or nullptr.
    SimProcess* FindProcess(std::string_view label);
    const std::list<SimProcess>& processes() const { return m_processes; }

    // ProgramLauncher: a program of the machine starts a program file.
    bool CanLaunch(std::string_view path) override;
    int Launch(LaunchRequest request) override;
    bool HasEnded(int processId) override;
    int ExitCode(int processId) override;

    // The service control manager tells every running service that accepts it: shutdown, a log-on
    // or a log-off of a session (these two only where the system has session notifications).
    void NotifyServices(ServiceControlEvent event);

    VirtualTime Now() const { return m_scheduler.Now(); }
    void RunFor(VirtualTime ms) { m_scheduler.RunFor(ms); }

private:
    friend class SimProcess;
    void StartProgram(SimProcess& process, std::function<int(SimProcess&)> main);

    Faults m_faults;
    Machine m_machine;
    Desktop m_desktop;
    RegistryStore m_registry;
    FileStore m_files;
    std::map<std::string, LibraryImage, NoCaseLess> m_libraryImages;
    std::map<std::string, ProgramImage, NoCaseLess> m_programImages;
    std::map<std::string, int, NoCaseLess> m_copies;  // labels given per image
    std::list<SimProcess> m_processes;
    int m_nextProcessId = 1000;  // stable addresses: product code holds references
    Scheduler m_scheduler;              // declared last: destroyed first, ending programs while all else lives
};

}  // namespace zelta::sim
