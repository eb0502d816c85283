// ResourceSet: a program's dialogs, menus and strings as data, made at build time from its .rc files
// by tools/rcgen, so that the simulated host shows the very templates the real program carries.
#pragma once

#include <string>
#include <vector>

namespace zelta {

struct ControlTemplate {
    int id = -1;
    std::string kind;   // "EDITTEXT", "PUSHBUTTON", "DEFPUSHBUTTON", "LTEXT", "ICON", or CONTROL's class
    std::string text;
    std::string style;  // the style words as written, "BS_AUTOCHECKBOX | WS_TABSTOP"
    int x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
    int id = 0;
    int language = 0;  // 1033 English, 1041 Japanese
    std::string caption;
    std::string style;
    int width = 0, height = 0;
    std::vector<ControlTemplate> controls;
};

struct MenuItemTemplate {
    int command = 0;  // 0 for a separator
    std::string text;
};

struct MenuTemplate {
    int id = 0;
    int language = 0;
    std::string popup;
    std::vector<MenuItemTemplate> items;
};

struct StringTemplate {
    int id = 0;
    int language = 0;
    std::string text;  // UTF-8, escapes resolved
};

struct ResourceSet {
    std::vector<DialogTemplate> dialogs;
    std::vector<MenuTemplate> menus;
    std::vector<StringTemplate> strings;
    std::vector<int> icons;

    // The template for `id` in `language`, or in English when that language has none (as Windows
    // falls back to the neutral resources). nullptr when there is none at all.
    const DialogTemplate* Dialog(int id, int language) const;
    const MenuTemplate* Menu(int id, int language) const;
    const StringTemplate* String(int id, int language) const;
};

}  // namespace zelta
