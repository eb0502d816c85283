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
endif()

# zelta_add_tests(NAME LABEL SOURCES... LIBS ...): one GoogleTest program, its tests listed at test time
# (under Wine that avoids a Wine start per program during the build).
function(zelta_add_tests name label)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main zelta_options)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${label}
        DISCOVERY_TIMEOUT 120)
endfunction()
