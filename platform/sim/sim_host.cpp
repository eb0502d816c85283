// SimHost and SimProcess: wiring a simulated process's platform to its machine.
#include "platform/sim/sim_host.h"

namespace zelta::sim {

SimProcess::SimProcess(SimHost& host, ProcessFacts facts, int processId)
    : m_host(host),
      m_facts(std::move(facts)),
      m_processId(processId),
      m_registry(host.m_registry, host.m_faults),
      m_files(host.m_files, host.m_faults, host.m_machine.ansiCodePage),
      m_clock(host.m_scheduler, host.m_machine, host.m_faults),
      m_system(host.m_machine, m_facts, host.m_faults),
      m_services(host.m_machine, host.m_scheduler, host, m_facts, host.m_faults),
      m_resolver(host.m_machine, m_winsockStarted, host.m_faults),
      m_sockets(host.m_machine, host.m_scheduler, host.m_faults),
      m_remoteAccess(host.m_machine, host.m_desktop, host.m_scheduler, m_facts, host.m_faults),
      m_pipes(host.m_machine, host.m_scheduler, host.m_faults, m_facts, processId),
      m_instance(host.m_machine, m_facts, processId, m_winsockStarted, host.m_faults),
      m_processes(host.m_machine, host.m_files, host.m_registry, host.m_scheduler, host, m_facts, host.m_faults),
      m_serviceHost(host.m_machine, m_facts, host.m_faults),
      m_eventLog(host.m_machine, host.m_faults),
      m_ipHelper(host.m_machine, host.m_faults),
      m_deviceIo(host.m_machine, host.m_faults),
      m_wlan(host.m_machine, host.m_faults),
      m_dialogs(host.m_machine, host.m_desktop, host.m_scheduler, m_facts),
      m_resources(host.m_desktop, m_facts),
      m_platform{m_registry, m_files,     m_clock,     m_system,   m_services, m_resolver,
                 m_sockets,  m_remoteAccess, m_pipes,   m_instance, m_processes, m_ipHelper,
                 m_deviceIo, m_dialogs,   m_resources, m_serviceHost, m_eventLog, m_wlan} {
    m_remoteAccess.SetLibraryLoader([this](std::string_view path) { return LoadLibrary(path); });
    host.m_machine.sessions.insert(m_facts.session);
}

// One library in one process: the platform it sees differs from the process's only in where its
// dialogs and strings come from.
struct SimProcess::LoadedLibrary {
    LoadedLibrary(SimProcess& process, std::string libraryPath, std::string fileName)
        : path(std::move(libraryPath)),
          facts{std::move(fileName), process.m_facts.account, process.m_facts.desktop, process.m_facts.label},
          dialogs(process.m_host.m_machine, process.m_host.m_desktop, process.m_host.m_scheduler, facts),
          resources(process.m_host.m_desktop, facts),
          platform{process.m_registry,  process.m_files,     process.m_clock,    process.m_system,
                   process.m_services,  process.m_resolver,  process.m_sockets,  process.m_remoteAccess,
                   process.m_pipes,     process.m_instance,  process.m_processes, process.m_ipHelper,
                   process.m_deviceIo,  dialogs,             resources,           process.m_serviceHost,
                   process.m_eventLog,  process.m_wlan} {}
    std::string path;
    ProcessFacts facts;  // the library's image, for its resources
    SimDialogHost dialogs;
    SimResources resources;
    Platform platform;
    std::unique_ptr<CustomDialLibrary> library;
};

CustomDialLibrary* SimProcess::LoadLibrary(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    const std::string fileName(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (const auto& loaded : m_libraries)
        if (EqualsNoCase(loaded->facts.image, fileName)) return loaded->library.get();
    const auto image = m_host.m_libraryImages.find(fileName);
    if (image == m_host.m_libraryImages.end()) return nullptr;
    auto loaded = std::make_unique<LoadedLibrary>(*this, std::string(path), fileName);
    constexpr std::uintptr_t kModuleBase = 0x10000000;  // where the library's image sits
    m_host.m_machine.journal.Note("load", m_facts.label + " loads " + loaded->path);
    loaded->library = image->second(loaded->platform, loaded->path, kModuleBase);
    m_libraries.push_back(std::move(loaded));
    return m_libraries.back()->library.get();
}

void SimProcess::UnloadLibraries() {
    while (!m_libraries.empty()) {
        m_libraries.back()->library.reset();
        m_libraries.pop_back();
    }
}

SimProcess::~SimProcess() { UnloadLibraries(); }

void SimProcess::End() {
    UnloadLibraries();
    m_instance.ReleaseAll();
    if (!m_facts.serviceName.empty()) ServiceProgramEnded(m_host.m_machine, m_facts.serviceName);
}

bool SimProcess::HasEnded() const { return m_programId != 0 && m_host.m_scheduler.HasEnded(m_programId); }

SimHost::SimHost() {
    m_registry.SetJournal(&m_machine.journal);
    m_files.SetJournal(&m_machine.journal);
    m_faults.SetJournal(&m_machine.journal);
}

SimHost::~SimHost() = default;

void SimHost::SetOsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build) {
    m_machine.osVersion = OsVersion{major, minor, build, 2, {}};
}

void SimHost::SetWallClock(const LocalTime& localTimeNow) {
    // Kept as the local time at virtual 0, so that a reading simply adds the virtual time.
    m_machine.wallClockAtStart =
        SimClock::FromEpochMs(SimClock::ToEpochMs(localTimeNow) - static_cast<std::int64_t>(m_scheduler.Now()));
}

void SimHost::SetTickCount(std::uint32_t ticksNow) {
    m_machine.tickCountAtStart = static_cast<std::uint32_t>(ticksNow - static_cast<std::uint32_t>(m_scheduler.Now()));
}

void SimHost::SetServiceState(std::string_view name, ServiceState state) {
    const auto it = m_machine.services.find(name);
    if (it == m_machine.services.end())
        throw SimSetupError("SetServiceState: no service named '" + std::string(name) + "'; add it with AddService");
    it->second.state = state;
}

void SimHost::RemoveService(std::string_view name) {
    const auto it = m_machine.services.find(name);
    if (it != m_machine.services.end()) m_machine.services.erase(it);
}

ServiceRecord* SimHost::FindService(std::string_view name) {
    const auto it = m_machine.services.find(name);
    return it == m_machine.services.end() ? nullptr : &it->second;
}

SimAdapter& SimHost::AddAdapter(AdapterInfo info) {
    if (info.IpAddressList.empty()) info.IpAddressList.push_back({"0.0.0.0", "0.0.0.0"});
    const auto address = Ipv4::Parse(info.IpAddressList.front().IpAddress);
    const auto mask = Ipv4::Parse(info.IpAddressList.front().IpMask);
    if (address && mask && address->NetworkOrderValue() != 0) {
        const Ipv4 subnet = Ipv4::FromNetworkOrderValue(address->NetworkOrderValue() & mask->NetworkOrderValue());
        m_machine.routes.push_back(RouteRow{subnet, *mask, *address, info.Index, 20, 3, 2});
    }
    m_machine.adapters.push_back(SimAdapter{std::move(info), {}, std::nullopt, {}});
    return m_machine.adapters.back();
}

SimAdapter* SimHost::FindAdapter(std::uint32_t index) {
    for (auto& adapter : m_machine.adapters)
        if (adapter.info.Index == index) return &adapter;
    return nullptr;
}

PipeServer* SimHost::FindPipeServer(std::string_view name) {
    const auto it = m_machine.pipes.find(name);
    return it == m_machine.pipes.end() ? nullptr : &it->second;
}

SimProcess& SimHost::NewProcess(std::string image, std::string account, std::string desktop) {
    if (desktop.empty()) {
        if (!m_machine.inputDesktop)
            throw SimSetupError("NewProcess: no desktop given and the machine has no input desktop; set it "
                                "with SimHost::SetInputDesktop");
        desktop = *m_machine.inputDesktop;
    }
    std::string label = image;
    return m_processes.emplace_back(
        *this, ProcessFacts{std::move(image), std::move(account), std::move(desktop), std::move(label)},
        m_nextProcessId++);
}

SimProcess& SimHost::Start(std::string image, std::string account, std::function<int(SimProcess&)> main,
                           std::string desktop, std::string label) {
    ProcessFacts facts{std::move(image), std::move(account), std::move(desktop), std::move(label)};
    return Start(std::move(facts), std::move(main));
}

SimProcess& SimHost::Start(ProcessFacts facts, std::function<int(SimProcess&)> main) {
    std::string label = std::move(facts.label);
    SimProcess& process = NewProcess(facts.image, facts.account, facts.desktop);
    const std::string desktop = process.m_facts.desktop;
    process.m_facts = std::move(facts);
    process.m_facts.desktop = desktop;
    process.m_facts.label = label.empty() ? process.m_facts.image : std::move(label);
    StartProgram(process, std::move(main));
    return process;
}

void SimHost::StartProgram(SimProcess& process, std::function<int(SimProcess&)> main) {
    process.m_programId = m_scheduler.Start(process.m_facts.label, [&process, main = std::move(main)] {
        struct Exit {  // however the program ends, the process is gone
            SimProcess& p;
            ~Exit() { p.End(); }
        } exit{process};
        process.m_exitCode = main(process);
        process.m_host.m_machine.journal.Note("end", process.m_facts.label + " exit " + std::to_string(process.m_exitCode));
    });
}

std::string SimHost::NewLabel(const std::string& image) {
    const int copy = ++m_copies[image];
    return copy == 1 ? image : image + "#" + std::to_string(copy);
}

SimProcess* SimHost::FindProcess(std::string_view label) {
    SimProcess* found = nullptr;
    for (auto& process : m_processes)
        if (process.m_facts.label == label) found = &process;
    return found;
}

namespace {

std::string FileNameOf(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

bool SimHost::CanLaunch(std::string_view path) {
    std::string file(path);
    if (!m_files.Exists(file)) {
        file += ".exe";
        if (!m_files.Exists(file)) return false;
    }
    return m_programImages.contains(FileNameOf(file));
}

int SimHost::Launch(LaunchRequest request) {
    std::string path = request.path;
    if (!m_files.Exists(path)) path += ".exe";
    const std::string image = FileNameOf(path);
    ProgramImage program = m_programImages.at(image);
    ProcessFacts facts{image, request.account, request.desktop, NewLabel(image), request.session, path, request.serviceName};
    std::string shown = facts.label + " as " + facts.account + " on " + (facts.desktop.empty() ? "?" : facts.desktop);
    if (facts.session != 0) shown += " in session " + std::to_string(facts.session);
    auto main = [program, args = std::move(request.args)](SimProcess& p) { return program(p, args); };
    if (m_scheduler.Current() == Scheduler::kDriver) {
        m_machine.journal.Note("start", shown);
        return Start(std::move(facts), std::move(main)).processId();
    }
    // A program's CreateProcess returns at once; the new program runs when the caller next blocks.
    SimProcess& process = NewProcess(facts.image, facts.account, facts.desktop.empty() ? "Default" : facts.desktop);
    process.m_facts = std::move(facts);
    SimProcess* started = &process;
    m_scheduler.At(m_scheduler.Now(), [this, started, shown, main = std::move(main)]() mutable {
        m_machine.journal.Note("start", shown);
        StartProgram(*started, std::move(main));
    });
    return process.processId();
}

bool SimHost::HasEnded(int processId) {
    for (const auto& process : m_processes)
        if (process.m_processId == processId) return process.HasEnded();
    return true;
}

int SimHost::ExitCode(int processId) {
    for (const auto& process : m_processes)
        if (process.m_processId == processId) return process.m_exitCode;
    return 0;
}

void SimHost::NotifyServices(ServiceControlEvent event) {
    const bool sessionChange = event.kind == ServiceControlKind::SessionLogon || event.kind == ServiceControlKind::SessionLogoff;
    for (auto& [name, record] : m_machine.services) {
        if (record.processId == 0 || !record.dispatcherConnected || record.state != ServiceState::Running) continue;
        if (sessionChange && !record.acceptsSessionChanges) continue;
        record.controls.push_back(event);
    }
}

}  // namespace zelta::sim
