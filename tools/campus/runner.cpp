// Runner: compiling a scenario whole, then running it statement by statement.
#include "tools/campus/runner.h"

#include <cstdio>

#include "dialer/dial_resources.h"
#include "platform/text.h"

namespace zelta::campus {
namespace {

const std::vector<Word>& StatementWords() {
    static const std::vector<Word> words = [] {
        std::vector<Word> all;
        AddMachineWords(all);
        AddNetworkWords(all);
        AddRemoteWords(all);
        AddProgramWords(all);
        AddLibraryWords(all);
        AddServiceWords(all);
        AddIntruderWords(all);
        AddShowWords(all);
        return all;
    }();
    return words;
}

// The simulated host names its own setters when something was not set up; a scenario author knows
// the scenario's words instead.
std::string InScenarioWords(std::string message) {
    const std::pair<const char*, const char*> names[] = {{"SimHost::SetWallClock", "'clock'"},
                                                         {"SimHost::SetOsVersion", "'os'"},
                                                         {"SimHost::SetInputDesktop", "'desktop'"}};
    for (const auto& [setter, word] : names) {
        const auto at = message.find(setter);
        if (at != std::string::npos) message.replace(at, std::string_view(setter).size(), word);
    }
    return message;
}

}  // namespace

Action CompileWith(const std::vector<Word>& words, Args& args, const char* what) {
    const std::string keyword = args.Next(what);
    for (const Word& word : words) {
        if (EqualsNoCase(word.keyword, keyword)) return word.compile(args);
    }
    args.Fail("unknown " + std::string(what) + " '" + keyword + "'");
}

Action CompileStatement(Args& args) {
    if (EqualsNoCase(args.Peek(), "expect"))
        args.Fail("'at' and 'after' take a machine change or a user action, not an expectation");
    return CompileWith(StatementWords(), args, "statement");
}

std::string Runner::NewLabel(const std::string& image) { return m_host->NewLabel(image); }

void Runner::Print(std::string_view kind, std::string_view text) {
    if (m_quiet) return;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f  ", static_cast<double>(m_host->Now()) / 1000.0);
    m_out << stamp << kind << std::string(kind.size() < 9 ? 9 - kind.size() : 1, ' ') << ' ' << text << '\n';
}

void Runner::Check(bool held, const std::string& expected, const std::string& saw) {
    if (held) {
        Print("expect", "ok: " + expected);
        return;
    }
    ++m_failures;
    m_out << m_current->Where() << ": expected " << expected << ", saw " << saw << '\n';
}

int Runner::RunFile(const std::string& path) {
    const std::vector<Line> lines = ReadScenario(path);
    // Every line is checked before anything runs: a scenario never stops half done over a typo, and
    // its author sees every mistake of the file at once.
    std::vector<Action> actions;
    std::string errors;
    std::size_t errorCount = 0;
    for (const Line& line : lines) {
        Args args(line, 0);
        try {
            actions.push_back(EqualsNoCase(line.words[0], "expect")
                                  ? (args.Next("expect"), CompileWith([] {
                                         std::vector<Word> words;
                                         AddExpectWords(words);
                                         return words;
                                     }(), args, "expectation"))
                                  : CompileStatement(args));
        } catch (const ScenarioError& e) {
            errors += (errors.empty() ? "" : "\n") + std::string(e.what());
            ++errorCount;
        }
    }
    if (errorCount == 1) throw ScenarioError(errors);
    if (errorCount > 1)
        throw ScenarioError(errors + "\n" + std::to_string(errorCount) + " errors in " + path + "; nothing was run");

    m_host = std::make_unique<sim::SimHost>();
    m_host->SetImageResources("dial.exe", DialResources());
    AddLibraryImages(*m_host);
    AddProgramImages(*m_host);
    m_host->journal().SetSink([this](std::string_view kind, std::string_view text) { Print(kind, text); });
    processes.clear();
    results.clear();
    replies.clear();
    foreignReads.clear();
    balloonsSeen = 0;
    lastInvoke.clear();
    m_failures = 0;
    if (!m_quiet) m_out << "== " << path << '\n';
    try {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            m_current = &lines[i];
            actions[i](*this);
        }
    } catch (const sim::SimSetupError& e) {
        throw ScenarioError(m_current->Where() + ": the simulated machine was not set up for this: " +
                            InScenarioWords(e.what()));
    }
    // Programs still running end with the machine, their destructors run; nothing more is checked.
    m_host->journal().SetSink(nullptr);
    m_host.reset();
    return m_failures;
}

}  // namespace zelta::campus
