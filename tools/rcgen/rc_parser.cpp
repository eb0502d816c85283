// A reader for the resource scripts of this project: line by line, with context.
#include "tools/rcgen/rc_parser.h"

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace zelta {
namespace {

struct Token {
    enum Kind { Word, String, Comma, Bar } kind;
    std::string text;
};

class Reader {
public:
    explicit Reader(IncludeReader readInclude) : m_readInclude(std::move(readInclude)) {
        m_defines = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
    }

    void Read(const std::string& text, const std::string& name) {
        std::istringstream in(text);
        std::string line;
        int number = 0;
        bool inComment = false;
        while (std::getline(in, line)) {
            ++number;
            m_where = name + ":" + std::to_string(number);
            line = StripComments(line, inComment);
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            const auto first = line.find_first_not_of(" \t");
            if (line[first] == '#') {
                Directive(line.substr(first));
            } else {
                Statement(Tokenize(line));
            }
        }
    }

    ResourceSet result;

private:
    static std::string StripComments(const std::string& line, bool& inComment) {
        std::string out;
        bool inString = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (inComment) {
                if (line.compare(i, 2, "*/") == 0) {
                    inComment = false;
                    ++i;
                }
                continue;
            }
            if (line[i] == '"') inString = !inString;
            if (!inString && line.compare(i, 2, "//") == 0) break;
            if (!inString && line.compare(i, 2, "/*") == 0) {
                inComment = true;
                ++i;
                continue;
            }
            out += line[i];
        }
        return out;
    }

    [[noreturn]] void Fail(const std::string& message) const { throw RcError(m_where + ": " + message); }

    std::vector<Token> Tokenize(const std::string& line) const {
        std::vector<Token> tokens;
        for (std::size_t i = 0; i < line.size();) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == ',') {
                tokens.push_back({Token::Comma, ","});
                ++i;
            } else if (c == '|') {
                tokens.push_back({Token::Bar, "|"});
                ++i;
            } else if (c == '"') {
                std::string text;
                ++i;
                for (;;) {
                    if (i >= line.size()) Fail("a string is not closed");
                    const char d = line[i++];
                    if (d == '"') {
                        if (i < line.size() && line[i] == '"') {  // "" is a quote inside a string
                            text += '"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (d == '\\' && i < line.size()) {
                        const char e = line[i++];
                        text += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
                        continue;
                    }
                    text += d;
                }
                tokens.push_back({Token::String, text});
            } else {
                std::string word;
                while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ',' && line[i] != '|' &&
                       line[i] != '"' && line[i] != '\r')
                    word += line[i++];
                tokens.push_back({Token::Word, word});
            }
        }
        return tokens;
    }

    int Id(const std::string& word) const {
        const auto it = m_defines.find(word);
        if (it != m_defines.end()) return it->second;
        try {
            std::size_t used = 0;
            const int value = std::stoi(word, &used, 0);
            if (used == word.size()) return value;
        } catch (const std::exception&) {
        }
        Fail("unknown id '" + word + "'");
    }

    void Directive(const std::string& line) {
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        if (directive == "#define") {
            std::string name, value;
            words >> name >> value;
            m_defines[name] = Id(value);
        } else if (directive == "#include") {
            std::string file;
            words >> file;
            if (file.size() >= 2 && file.front() == '<' && file.back() == '>') return;  // the SDK's: ids known above
            if (file.size() < 3 || file.front() != '"' || file.back() != '"') Fail("#include needs a \"file\" or <file>");
            Include(file.substr(1, file.size() - 2));
        } else if (directive != "#pragma") {
            Fail("unsupported directive " + directive);
        }
    }

    // Reads an included script in place, once on the way down: a script that includes itself, or
    // an include that comes back round to one being read, is an error rather than a loop.
    void Include(const std::string& file) {
        if (!m_readInclude) Fail("cannot include " + file);
        for (const std::string& open : m_including)
            if (open == file) Fail(file + " includes itself");
        std::string text;
        try {
            text = m_readInclude(file);
        } catch (const RcError& e) {
            Fail(e.what());
        }
        const std::string saved = m_where;
        m_including.push_back(file);
        Read(text, file);
        m_including.pop_back();
        m_where = saved;
    }

    // Joins the words of a style expression ("A | B").
    static std::string Joined(const std::vector<Token>& t, std::size_t from, std::size_t to) {
        std::string text;
        for (std::size_t i = from; i < to && i < t.size(); ++i) {
            if (!text.empty()) text += ' ';
            text += t[i].text;
        }
        return text;
    }

    // The values of a statement between its commas.
    static std::vector<std::vector<Token>> Fields(const std::vector<Token>& t, std::size_t from) {
        std::vector<std::vector<Token>> fields(1);
        for (std::size_t i = from; i < t.size(); ++i) {
            if (t[i].kind == Token::Comma) {
                fields.emplace_back();
            } else {
                fields.back().push_back(t[i]);
            }
        }
        return fields;
    }

    int Number(const std::vector<Token>& field) const {
        if (field.size() != 1) Fail("expected a number");
        return Id(field[0].text);
    }

    void Control(const std::vector<Token>& t) {
        const std::string kind = t[0].text;
        auto f = Fields(t, 1);
        ControlTemplate control;
        control.kind = kind;
        // What comes before the four numbers of the rectangle, by kind.
        std::size_t next = 0;
        if (kind == "CONTROL") {
            next = 4;
        } else if (kind == "EDITTEXT") {
            next = 1;
        } else if (kind == "ICON" || kind == "LTEXT" || kind == "RTEXT" || kind == "CTEXT" || kind == "PUSHBUTTON" ||
                   kind == "DEFPUSHBUTTON") {
            next = 2;
        } else {
            Fail("unsupported control statement " + kind);
        }
        if (kind == "CONTROL" && f.size() < 8) Fail("CONTROL needs text, id, class, style, x, y, width, height");
        if (f.size() < next + 4) Fail(kind + " needs " + (next == 1 ? "an id" : "a text and an id") + ", x, y, width, height");
        if (kind == "CONTROL") {
            control.text = f[0].empty() ? "" : f[0][0].text;
            control.id = Number(f[1]);
            control.kind = f[2].empty() ? "" : f[2][0].text;
            control.style = Joined(f[3], 0, f[3].size());
        } else if (kind == "EDITTEXT") {
            control.id = Number(f[0]);
        } else {
            control.text = f[0].empty() ? "" : f[0][0].text;
            control.id = Number(f[1]);
        }
        control.x = Number(f[next]);
        control.y = Number(f[next + 1]);
        control.width = Number(f[next + 2]);
        control.height = Number(f[next + 3]);
        if (f.size() > next + 4) control.style = Joined(f[next + 4], 0, f[next + 4].size());
        m_dialog->controls.push_back(std::move(control));
    }

    void Statement(const std::vector<Token>& t) {
        const std::string& first = t[0].text;
        if (m_context == Context::DialogHeader) {
            if (first == "STYLE") {
                m_dialog->style = Joined(t, 1, t.size());
                return;
            }
            if (first == "EXSTYLE" || first == "FONT") return;
            if (first == "CAPTION") {
                m_dialog->caption = t.size() > 1 ? t[1].text : "";
                return;
            }
            if (first != "BEGIN") Fail("expected BEGIN, STYLE, EXSTYLE, CAPTION or FONT");
            m_context = Context::Dialog;
            return;
        }
        if (m_context == Context::Dialog) {
            if (first == "END") {
                m_context = Context::None;
            } else {
                Control(t);
            }
            return;
        }
        if (m_context == Context::Strings) {
            if (first == "BEGIN") return;
            if (first == "END") {
                m_context = Context::None;
                return;
            }
            if (t.size() < 2 || t[1].kind != Token::String) Fail("expected an id and a string");
            result.strings.push_back({Id(first), m_language, t[1].text});
            return;
        }
        if (m_context == Context::Menu) {
            if (first == "BEGIN") {
                ++m_menuDepth;
            } else if (first == "END") {
                if (--m_menuDepth == 0) m_context = Context::None;
            } else if (first == "POPUP") {
                m_menu->popup = t.size() > 1 ? t[1].text : "";
            } else if (first == "MENUITEM") {
                if (t.size() > 1 && t[1].text == "SEPARATOR") {
                    m_menu->items.push_back({0, ""});
                } else {
                    auto f = Fields(t, 1);
                    if (f.size() < 2 || f[0].empty()) Fail("expected MENUITEM \"text\", id");
                    m_menu->items.push_back({Number(f[1]), f[0][0].text});
                }
            } else {
                Fail("unsupported menu statement " + first);
            }
            return;
        }
        if (first == "LANGUAGE") {
            if (t.size() < 2) Fail("LANGUAGE needs a language");
            m_language = t[1].text == "LANG_JAPANESE" ? 1041 : t[1].text == "LANG_ENGLISH" ? 1033 : 0;
            if (m_language == 0) Fail("unknown language " + t[1].text);
            return;
        }
        if (first == "STRINGTABLE") {
            m_context = Context::Strings;
            return;
        }
        if (t.size() < 2) Fail("unexpected '" + first + "'");
        const std::string& type = t[1].text;
        if (type == "ICON") {
            result.icons.push_back(Id(first));
        } else if (type == "DIALOGEX" || type == "DIALOG") {
            auto f = Fields(t, 2);
            if (f.size() != 4) Fail("a dialog needs x, y, width, height");
            result.dialogs.push_back({Id(first), m_language, "", "", Number(f[2]), Number(f[3]), {}});
            m_dialog = &result.dialogs.back();
            m_context = Context::DialogHeader;
        } else if (type == "MENU") {
            result.menus.push_back({Id(first), m_language, "", {}});
            m_menu = &result.menus.back();
            m_context = Context::Menu;
            m_menuDepth = 0;
        } else if (type == "24" || type == "RT_MANIFEST") {
            // The application manifest tells Windows what the program knows; nothing the simulated
            // window shows.
        } else {
            Fail("unsupported resource type " + type);
        }
    }

    enum class Context { None, DialogHeader, Dialog, Menu, Strings };
    IncludeReader m_readInclude;
    std::vector<std::string> m_including;  // the included scripts being read, outermost first
    std::map<std::string, int> m_defines;
    std::string m_where;
    Context m_context = Context::None;
    int m_language = 1033;
    DialogTemplate* m_dialog = nullptr;
    MenuTemplate* m_menu = nullptr;
    int m_menuDepth = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RcError("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ResourceSet ParseResourceText(const std::string& text, const std::string& name, IncludeReader readInclude) {
    Reader reader(std::move(readInclude));
    reader.Read(text, name);
    return std::move(reader.result);
}

ResourceSet ParseResourceScript(const std::string& path) {
    const std::string directory = path.substr(0, path.find_last_of('/') + 1);
    return ParseResourceText(ReadFile(path), path, [directory](const std::string& name) { return ReadFile(directory + name); });
}

}  // namespace zelta
