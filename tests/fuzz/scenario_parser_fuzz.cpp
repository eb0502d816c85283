// The scenario language's reader over any text: every line is split and compiled, and anything
// wrong is a ScenarioError that names the file and the line; nothing else escapes, nothing crashes.
#include "tests/fuzz/fuzz_input.h"
#include "tools/campus/runner.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelta;
    using namespace zelta::campus;
    static const std::vector<Word> expectWords = [] {
        std::vector<Word> words;
        AddExpectWords(words);
        return words;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    int number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view content = std::string_view(text).substr(at, end - at);
        at = end + 1;
        Line line{"fuzz.scn", ++number, {}};
        try {
            line.words = SplitWords(content, line.Where());
            if (line.words.empty()) continue;
            Args args(line, 0);
            if (EqualsNoCase(line.words[0], "expect")) {
                args.Next("expect");
                CompileWith(expectWords, args, "expectation");
            } else {
                CompileStatement(args);
            }
        } catch (const ScenarioError& e) {
            const std::string where = line.Where() + ":";
            FUZZ_CHECK(std::string_view(e.what()).substr(0, where.size()) == where);
        }
    }
    return 0;
}
