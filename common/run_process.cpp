// RunProcess: one hidden console program, waited for.
#include "common/run_process.h"

#include <string>

namespace zelta {
namespace {

constexpr std::size_t kCommandLineCapacity = 4096;  // characters, with the terminator

}  // namespace

std::uint32_t RunProcess(Processes& processes, SystemInfo& system, Log& log, std::string_view program,
                         std::string_view arguments) {
    std::string application;
    if (program.find_first_of("\\/:\"") == std::string_view::npos) {
        if (const Win32Error rc = system.SystemDirectory(application); rc != err::kSuccess) return rc;
        application.append("\\").append(program);
        if (program.find('.') == std::string_view::npos) application.append(".exe");
    }
    return RunProcessFile(processes, system, log, application, program, arguments);
}

std::uint32_t RunProcessFile(Processes& processes, SystemInfo& system, Log& log, std::string_view application,
                             std::string_view program,
                             std::string_view arguments) {
    std::string commandLine;
    commandLine.reserve(program.size() + 1 + arguments.size());
    commandLine.append(program).append(" ").append(arguments);
    // The callers keep programs within 256 characters and arguments within 1024, so this never cuts;
    // if it ever would, nothing runs rather than a different command.
    if (commandLine.size() > kCommandLineCapacity - 1) return err::kInvalidParameter;
    std::uint32_t exitCode = 0;
    const Win32Error rc = processes.RunAndWait(application, commandLine, exitCode);
    if (rc == err::kSuccess) return exitCode;
    // One record for the failed start: which program, and why in the system's words.
    const std::string name(application.empty() ? program : application);
    std::string why;
    system.ErrorText(rc, why);
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ')) why.pop_back();
    log.LogMessage(log_level::kMain, "%s could not be started, error %u%s%s\n", LogSafe(name).c_str(), rc,
                   why.empty() ? "" : ": ", LogSafe(why).c_str());
    return rc;
}

}  // namespace zelta
