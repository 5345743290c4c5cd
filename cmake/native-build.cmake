# Native build of the pure rules and their tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g ${sanitizers})
add_link_options(${sanitizers})

add_library(pellumara_rules STATIC ${PELLUMARA_RULES_SOURCES})
target_include_directories(pellumara_rules PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_options(pellumara_rules PRIVATE ${PELLUMARA_WARNINGS})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tests/native)
