# Writes the C++ header of the settings an administrator can preset with the package, from
# installer/settings.list, so that the dialer's settings table names them from the same source as the
# package and the policy templates.
#   cmake -DLIST=installer/settings.list -DOUT=<dir>/common/preset_settings.h -P cmake/preset_settings.cmake
file(STRINGS "${LIST}" lines)
set(body "")
set(all "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*(#|$)")
        continue()
    endif()
    if(NOT line MATCHES "^([A-Z0-9_]+)[ \t]+([A-Za-z0-9_-]+)[ \t]+(string|dword)[ \t]*$")
        message(FATAL_ERROR "${LIST}: cannot read '${line}': PROPERTY VALUE-NAME string|dword")
    endif()
    set(property "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(CMAKE_MATCH_3 STREQUAL "string")
        set(type "PresetType::String")
    else()
        set(type "PresetType::Dword")
    endif()
    string(APPEND body "inline constexpr PresetSetting ${property}{\"${name}\", ${type}};\n")
    string(APPEND all "    ${property},\n")
endforeach()
set(text "// Generated from installer/settings.list by cmake/preset_settings.cmake: do not edit.
#pragma once

#include \"common/preset_setting.h\"

namespace zelta::preset {

${body}
inline constexpr PresetSetting kAll[] = {
${all}};

}  // namespace zelta::preset
")
file(WRITE "${OUT}" "${text}")
