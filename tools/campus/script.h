// The scenario language's lines and words: reading a file into statements, and taking a statement's
// words apart with errors that name the line.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ipv4.h"
#include "platform/registry.h"

namespace zelta::campus {

// Something wrong with the scenario itself (not with the product): stops the run, exit status 2.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Line {
    std::string file;
    int number = 0;
    std::vector<std::string> words;
    std::string Where() const { return file + ":" + std::to_string(number); }
};

// Splits one line into words (quotes, escapes, comments). Throws ScenarioError for an open quote.
std::vector<std::string> SplitWords(std::string_view text, const std::string& where);

// Reads a scenario file into its non-empty lines.
std::vector<Line> ReadScenario(const std::string& path);

// A cursor over a statement's words, with parsers that fail naming the line and what was expected.
class Args {
public:
    Args(const Line& line, std::size_t start) : m_line(line), m_pos(start) {}

    const Line& line() const { return m_line; }
    bool Done() const { return m_pos >= m_line.words.size(); }
    std::size_t Remaining() const { return Done() ? 0 : m_line.words.size() - m_pos; }
    // The next word without taking it ("" at the end).
    std::string Peek() const { return Done() ? std::string() : m_line.words[m_pos]; }
    // The next word, which must exist; `what` says what was expected there.
    std::string Next(const char* what);
    // Takes the next word if it is `keyword` (any case).
    bool Accept(std::string_view keyword);
    void Require(std::string_view keyword);
    // `KEYWORD VALUE` when the next word is KEYWORD: the value; otherwise "" and nothing is taken.
    std::string Option(std::string_view keyword, const char* what);
    void RequireDone();
    std::vector<std::string> Rest();
    [[noreturn]] void Fail(const std::string& message) const;

    std::uint64_t Duration(const char* what = "a duration (250ms, 5s, 2m)");
    std::int64_t Number(const char* what = "a number");
    std::uint32_t Unsigned(const char* what = "a number");
    Ipv4 Address(const char* what = "an address (10.1.0.1)");
    std::pair<Ipv4, Ipv4> AddressMask(const char* what = "an address and mask (10.1.0.0/255.255.0.0)");
    std::vector<std::uint8_t> Bytes();  // every remaining word, as hexadecimal bytes
    std::pair<RegistryRoot, std::string> Key();
    RegValue Value();  // TYPE VALUE... as in `setting`

private:
    const Line& m_line;
    std::size_t m_pos;
};

std::optional<std::uint64_t> ParseDuration(std::string_view text);
std::optional<std::int64_t> ParseNumber(std::string_view text);
std::string ShowText(std::string_view text);  // quoted, with \r \n \t escaped, for messages
std::string ShowLines(const std::vector<std::string>& lines);  // one indented line each, or "none"

}  // namespace zelta::campus
