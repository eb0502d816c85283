// Runner: runs scenario files on a fresh simulated campus each, printing the transcript and
// counting the expectations that did not hold.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_host.h"
#include "tools/campus/script.h"

namespace zelta::campus {

class Runner;

// A compiled statement: what to do when its turn comes.
using Action = std::function<void(Runner&)>;
// Turns a statement's words (after its keyword) into an Action, or throws ScenarioError.
using Compiler = Action (*)(Args&);

struct Word {
    std::string_view keyword;
    Compiler compile;
};

// The words of each part of the language, one table per file.
void AddMachineWords(std::vector<Word>& words);
void AddNetworkWords(std::vector<Word>& words);
void AddRemoteWords(std::vector<Word>& words);
void AddProgramWords(std::vector<Word>& words);
void AddLibraryWords(std::vector<Word>& words);
// The library files the campus's processes can load (zeltavpn.dll).
void AddLibraryImages(sim::SimHost& host);
void AddExpectWords(std::vector<Word>& words);  // the words after "expect"
// The helper service: programs from a command line, the service control manager, log-ons, pipe clients.
void AddServiceWords(std::vector<Word>& words);
void AddServiceExpectWords(std::vector<Word>& words);
void AddRemoteExpectWords(std::vector<Word>& words);
// Other programs that try the dialer, and the owner checks' view of files (intruder_words.cpp).
void AddIntruderWords(std::vector<Word>& words);
void AddIntruderExpectWords(std::vector<Word>& words);
// The program files whose real code the campus's machine runs (dial.exe, ZeltaService.exe).
void AddProgramImages(sim::SimHost& host);

// What `show` and the expectations print: the dialer's log file's path, the forwarding table.
std::string LogPath(Runner& r);
std::string ShowRoutes(Runner& r);
// `show log|status|routes|entry [NAME]`: prints what is there now into the transcript.
void AddShowWords(std::vector<Word>& words);

// Compiles one statement with `words` (a table above); throws ScenarioError.
Action CompileWith(const std::vector<Word>& words, Args& args, const char* what);
// Compiles any statement but an expectation (for `at` and `after`).
Action CompileStatement(Args& args);

class Runner {
public:
    Runner(std::ostream& out, bool quiet) : m_out(out), m_quiet(quiet) {}

    // Reads, checks and runs one scenario. Returns the number of expectations that failed; throws
    // ScenarioError when the scenario cannot be run.
    int RunFile(const std::string& path);

    sim::SimHost& host() { return *m_host; }
    void Print(std::string_view kind, std::string_view text);
    // Records an expectation's outcome for the statement being run.
    void Check(bool held, const std::string& expected, const std::string& saw);
    const Line& current() const { return *m_current; }

    // Programs started by the scenario, by label; results of `invoke`, by label.
    std::map<std::string, sim::SimProcess*> processes;
    std::map<std::string, int> results;
    std::map<std::string, std::optional<std::vector<std::uint8_t>>> replies;  // of pipe clients, by label
    std::map<std::string, std::string> foreignReads;  // what another program read from a control, by its name
    std::size_t balloonsSeen = 0;  // the tray balloons up to the last balloon expectation
    // The RASDIALDLG each RasCustomDialDlg was given, by label, as the library has left it so far.
    std::map<std::string, std::shared_ptr<const RasDialDlgInfo>> dialDialogs;
    std::string lastInvoke;
    std::string NewLabel(const std::string& image);

private:
    std::ostream& m_out;
    bool m_quiet;
    std::unique_ptr<sim::SimHost> m_host;
    const Line* m_current = nullptr;
    int m_failures = 0;
};

}  // namespace zelta::campus
