// StatusTexts: strings 102 to 137 of dial.exe's string table, read once when the window opens: the
// status pane's texts, the tray's tips and balloons. Some are printf formats; both languages' texts
// carry the same placeholders, which the resource tests check.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace zelta {

class StatusTexts {
public:
    void Load(Resources& resources);

    // String `id`, empty when it is outside 102 to 137 or the table lacks it.
    const std::string& Text(int id) const;

    // String `id` as a printf format of `args`.
    template <typename... Args>
    std::string Format(int id, Args... args) const {
        char text[1024];
        const int length = std::snprintf(text, sizeof text, Text(id).c_str(), args...);
        return length < 0 ? std::string() : std::string(text);
    }

private:
    std::vector<std::string> m_texts;
};

}  // namespace zelta
