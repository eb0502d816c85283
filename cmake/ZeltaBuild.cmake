# Compiler settings shared by every target of the project.

add_library(zelta_options INTERFACE)
target_compile_features(zelta_options INTERFACE cxx_std_20)
target_compile_options(zelta_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Wno-missing-field-initializers)

if(ZELTA_SANITIZE)
    target_compile_options(zelta_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(zelta_options INTERFACE -fsanitize=address,undefined)
endif()

if(ZELTA_FUZZ)
    # Everything is instrumented for the fuzzer; only the targets link its driver (tests/fuzz).
    target_compile_options(zelta_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(zelta_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
    # Product code speaks the wide API; the i686 build must stay within what Windows 2000 offers.
    target_compile_definitions(zelta_options INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0500 WINVER=0x0500 _WIN32_IE=0x0500)
    target_link_options(zelta_options INTERFACE -static
        -Wl,--major-subsystem-version,5,--minor-subsystem-version,0
        -Wl,--major-os-version,5,--minor-os-version,0)
    # Each function and datum in a section of its own, so that the linker drops what nothing calls;
    # and no unwind tables: the product throws and catches nothing (a failed allocation ends it either way).
    target_compile_options(zelta_options INTERFACE -ffunction-sections -fdata-sections
        $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> -fno-asynchronous-unwind-tables)
    target_link_options(zelta_options INTERFACE -Wl,--gc-sections)
endif()

# zelta_version_resource(TARGET FILE-NAME DESCRIPTION): a VERSIONINFO resource carrying the project's
# version, compiled into the Windows binary TARGET.
function(zelta_version_resource target fileName description)
    set(ZELTA_ORIGINAL_NAME ${fileName})
    set(ZELTA_DESCRIPTION ${description})
    get_filename_component(ZELTA_INTERNAL_NAME ${fileName} NAME_WE)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(ZELTA_FILE_TYPE VFT_DLL)
    else()
        set(ZELTA_FILE_TYPE VFT_APP)
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()

# zelta_add_tests(NAME LABEL SOURCES... LIBS ...): one GoogleTest program, its tests listed at test time
# (under Wine that avoids a Wine start per program during the build).
function(zelta_add_tests name label)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main zelta_options)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${label}
        DISCOVERY_TIMEOUT 120)
endfunction()
