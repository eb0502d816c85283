// Reading scenario files and parsing their words.
#include "tools/campus/script.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace zelta::campus {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view text, const std::string& where) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        if (i >= text.size() || text[i] == '#') break;
        std::string word;
        if (text[i] == '"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                const char c = text[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\' || i >= text.size()) {
                    word += c;
                    continue;
                }
                const char e = text[i];
                if (e == '"' || e == '\\') {
                    word += e;
                    ++i;
                } else if (e == 'r' || e == 'n' || e == 't') {
                    word += e == 'r' ? '\r' : e == 'n' ? '\n' : '\t';
                    ++i;
                } else if (e == 'x' && i + 2 < text.size() + 0 && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
                    word += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
                    i += 3;
                } else {
                    word += '\\';  // any other backslash is itself: Windows paths need no doubling
                }
            }
            if (!closed) throw ScenarioError(where + ": a quoted word is not closed");
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') word += text[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<Line> ReadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot read the scenario");
    std::vector<Line> lines;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        Line line{path, number, {}};
        line.words = SplitWords(text, line.Where());
        if (!line.words.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<std::uint64_t> ParseDuration(std::string_view text) {
    std::size_t unitAt = 0;
    while (unitAt < text.size() && (std::isdigit(static_cast<unsigned char>(text[unitAt])) || text[unitAt] == '.'))
        ++unitAt;
    if (unitAt == 0 || unitAt > 12) return std::nullopt;
    const std::string number(text.substr(0, unitAt));
    const std::string_view unit = text.substr(unitAt);
    double scale = 0;
    if (unit == "ms") {
        scale = 1;
    } else if (unit == "s") {
        scale = 1000;
    } else if (unit == "m") {
        scale = 60000;
    } else {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (*end != '\0') return std::nullopt;
    return static_cast<std::uint64_t>(value * scale + 0.5);
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    const std::string s(text);
    char* end = nullptr;
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const long long value = std::strtoll(s.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0') return std::nullopt;
    return value;
}

std::string ShowText(std::string_view text) {
    std::string shown = "\"";
    for (char c : text) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '"' || c == '\\') {
            shown += '\\';
            shown += c;
        } else {
            shown += c;
        }
    }
    return shown + "\"";
}

std::string Args::Next(const char* what) {
    if (Done()) Fail(std::string("expected ") + what + " at the end of the line");
    return m_line.words[m_pos++];
}

bool Args::Accept(std::string_view keyword) {
    if (Done() || !EqualsNoCase(m_line.words[m_pos], keyword)) return false;
    ++m_pos;
    return true;
}

std::string Args::Option(std::string_view keyword, const char* what) {
    return Accept(keyword) ? Next(what) : std::string();
}

void Args::Require(std::string_view keyword) {
    if (!Accept(keyword)) Fail("expected '" + std::string(keyword) + "'" + (Done() ? "" : ", found '" + m_line.words[m_pos] + "'"));
}

void Args::RequireDone() {
    if (!Done()) Fail("unexpected '" + m_line.words[m_pos] + "'");
}

std::vector<std::string> Args::Rest() {
    std::vector<std::string> rest(m_line.words.begin() + static_cast<std::ptrdiff_t>(m_pos), m_line.words.end());
    m_pos = m_line.words.size();
    return rest;
}

void Args::Fail(const std::string& message) const { throw ScenarioError(m_line.Where() + ": " + message); }

std::uint64_t Args::Duration(const char* what) {
    const std::string word = Next(what);
    const auto value = ParseDuration(word);
    if (!value) Fail(std::string("expected ") + what + ", found '" + word + "'");
    return *value;
}

std::int64_t Args::Number(const char* what) {
    const std::string word = Next(what);
    const auto value = ParseNumber(word);
    if (!value) Fail(std::string("expected ") + what + ", found '" + word + "'");
    return *value;
}

std::uint32_t Args::Unsigned(const char* what) {
    const std::int64_t value = Number(what);
    if (value < 0 || value > 0xFFFFFFFFLL) Fail(std::string("expected ") + what + " from 0 to 4294967295");
    return static_cast<std::uint32_t>(value);
}

Ipv4 Args::Address(const char* what) {
    const std::string word = Next(what);
    const auto value = Ipv4::Parse(word);
    if (!value) Fail(std::string("expected ") + what + ", found '" + word + "'");
    return *value;
}

std::pair<Ipv4, Ipv4> Args::AddressMask(const char* what) {
    const std::string word = Next(what);
    const auto slash = word.find('/');
    const auto address = Ipv4::Parse(word.substr(0, slash));
    const auto mask = slash == std::string::npos ? std::nullopt : Ipv4::Parse(word.substr(slash + 1));
    if (!address || !mask) Fail(std::string("expected ") + what + ", found '" + word + "'");
    return {*address, *mask};
}

std::vector<std::uint8_t> Args::Bytes() {
    std::vector<std::uint8_t> bytes;
    for (const std::string& word : Rest()) {
        if (word.size() % 2 != 0) Fail("expected hexadecimal bytes, found '" + word + "'");
        for (std::size_t i = 0; i < word.size(); i += 2) {
            const int high = HexDigit(word[i]);
            const int low = HexDigit(word[i + 1]);
            if (high < 0 || low < 0) Fail("expected hexadecimal bytes, found '" + word + "'");
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    return bytes;
}

std::pair<RegistryRoot, std::string> Args::Key() {
    const std::string word = Next("a registry key (HKLM\\...)");
    const auto slash = word.find('\\');
    const std::string root = word.substr(0, slash);
    if (slash == std::string::npos || (!EqualsNoCase(root, "HKLM") && !EqualsNoCase(root, "HKCU")))
        Fail("expected a registry key beginning with HKLM\\ or HKCU\\, found '" + word + "'");
    return {EqualsNoCase(root, "HKLM") ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser, word.substr(slash + 1)};
}

RegValue Args::Value() {
    const std::string type = Next("a value type (string, expand, multi, dword, binary, raw)");
    if (EqualsNoCase(type, "string") || EqualsNoCase(type, "expand")) {
        const std::string text = Next("a text");
        return RegValue{EqualsNoCase(type, "string") ? RegType::String : RegType::ExpandString, EncodeRegString(text)};
    }
    if (EqualsNoCase(type, "multi")) return RegValue{RegType::MultiString, EncodeRegMultiString(Rest())};
    if (EqualsNoCase(type, "dword")) {
        const std::uint32_t v = Unsigned();
        return RegValue{RegType::Dword,
                        {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
    }
    if (EqualsNoCase(type, "binary")) return RegValue{RegType::Binary, Bytes()};
    if (EqualsNoCase(type, "raw")) {
        const std::uint32_t number = Unsigned("a registry type number");
        return RegValue{static_cast<RegType>(number), Bytes()};
    }
    Fail("unknown value type '" + type + "'");
}

std::string ShowLines(const std::vector<std::string>& lines) {
    if (lines.empty()) return "none";
    std::string shown;
    for (const auto& line : lines) shown += "\n    " + line;
    return shown;
}

}  // namespace zelta::campus
