// PresetSetting: a setting the package can preset, by its registry value name and type. The list of
// them is generated from installer/settings.list (common/preset_settings.h in the build tree).
#pragma once

#include <string_view>

namespace zelta {

enum class PresetType { String, Dword };

struct PresetSetting {
    std::string_view name;
    PresetType type;
};

}  // namespace zelta
