# Native build of the pure rules and their tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g ${sanitizers})
add_link_options(${sanitizers})
# The fuzz targets (clang's libFuzzer): the rules are built with its
# coverage, and tests/fuzz instead of the unit tests.
option(PELLUMARA_FUZZ "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(PELLUMARA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Of the layers only the rules and the headers of the bottom layer, which
# they may use.
include(cmake/layers.cmake)
pellumara_layer(common)
target_include_directories(pellumara_common INTERFACE ${PELLUMARA_GENERATED_DIR})
pellumara_layer(rules SOURCES ${PELLUMARA_RULES_SOURCES} USES common)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(PELLUMARA_FUZZ)
  add_subdirectory(tests/fuzz)
else()
  add_subdirectory(tests/native)
endif()
