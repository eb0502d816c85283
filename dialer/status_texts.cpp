// The status texts, by their string ids.
#include "dialer/status_texts.h"

#include "dialer/resource.h"

namespace zelta {

void StatusTexts::Load(Resources& resources) {
    m_texts.clear();
    for (int id = IDS_REDIALING; id <= IDS_BALLOON_GAVE_UP; ++id) m_texts.push_back(resources.String(id));
}

const std::string& StatusTexts::Text(int id) const {
    static const std::string kNone;
    const int index = id - IDS_REDIALING;
    return index >= 0 && index < static_cast<int>(m_texts.size()) ? m_texts[static_cast<std::size_t>(index)] : kNone;
}

}  // namespace zelta
