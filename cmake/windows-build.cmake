# Cross build of the setup for 64-bit Windows, and its tests under Wine.
enable_language(RC)

get_filename_component(PELLUMARA_BUILD_ROOT "${CMAKE_BINARY_DIR}/.." ABSOLUTE)
set(PELLUMARA_DIST_DIR "${PELLUMARA_BUILD_ROOT}/dist" CACHE PATH "Where the setup program is written")

# Everything links statically, so the setup is one self-contained file.
add_link_options(-static -static-libgcc -static-libstdc++)
# The Windows headers' settings, for every target compiled against them.
add_library(pellumara_platform INTERFACE)
target_compile_definitions(pellumara_platform INTERFACE
  WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

include(cmake/layers.cmake)
include(cmake/minizip.cmake)
include(cmake/delay-imports.cmake)
target_link_libraries(minizip_unzip PRIVATE pellumara_platform)

pellumara_layer(rules SOURCES ${PELLUMARA_RULES_SOURCES} USES common)

# The viewer archive, built before the resources that embed it.
set(PELLUMARA_PAYLOAD_DIR "${CMAKE_BINARY_DIR}/payload")
set(PELLUMARA_PAYLOAD_ARCHIVE "${PELLUMARA_PAYLOAD_DIR}/pellumara-payload.zip")
add_subdirectory(tools/payload)

# The seams the tests set through the environment (a session without a
# desktop shell, a run as SYSTEM) are compiled into the test build only:
# tools/build.sh turns them on for the setup around the stand-in viewer that
# the tests run, and off for a setup around the viewer's own files. The
# tests are configured only with them, so a setup the tests run has them.
option(PELLUMARA_TEST_SEAMS "Compile in the seams the tests set (never in a release)" OFF)
if(PELLUMARA_TEST_SEAMS AND NOT PELLUMARA_PAYLOAD STREQUAL "")
  message(FATAL_ERROR
    "PELLUMARA_TEST_SEAMS: a setup around the viewer's own files carries no test seam")
endif()

add_subdirectory(src/common)
add_subdirectory(src/resources)
add_subdirectory(src/framework)
add_subdirectory(src/files)
add_subdirectory(src/integration)
add_subdirectory(src/controls)
add_subdirectory(src/engine)
add_subdirectory(src/wizard)

# The program: the application object and the framework's entry point.
pellumara_layer(app)
add_executable(pellumara64-setup WIN32 src/app/the_app.cpp src/app/run_log_start.cpp
  src/app/command_line.cpp
  src/app/main.cpp)
target_compile_options(pellumara64-setup PRIVATE ${PELLUMARA_WARNINGS})
target_link_libraries(pellumara64-setup PRIVATE pellumara_app pellumara_wizard pellumara_engine_flow
  pellumara_framework pellumara_rules pellumara_common pellumara_resource_objects)
set_target_properties(pellumara64-setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PELLUMARA_DIST_DIR})

# The release file: no symbols and no time stamp (or SOURCE_DATE_EPOCH's,
# decided at link time by the launcher); ld writes the PE checksum. No folder
# of the checkout reaches the code, so two checkouts give the same bytes.
foreach(release_target pellumara_common pellumara_rules pellumara_files pellumara_framework pellumara_integration
    pellumara_controls pellumara_engine_unpacking pellumara_engine_flow pellumara_wizard minizip_unzip pellumara64-setup)
  target_compile_options(${release_target} PRIVATE
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PELLUMARA_BUILD_ROOT}/=build/)
endforeach()
target_link_options(pellumara64-setup PRIVATE -s)
# Every section starts on a page of the file: the payload in the resources
# is then mapped where the program is loaded, and read only as far as the
# unpacking reads it. With the default 512 the resources lay
# on a page boundary or not as the code before them happened to grow, and
# where not, Wine read the whole section into memory at every start.
target_link_options(pellumara64-setup PRIVATE -Wl,--file-alignment,4096)
set_target_properties(pellumara64-setup PROPERTIES
  CXX_LINKER_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/link-time-stamp.sh)

# Tests run under Wine, each executable in a fresh copy of the base prefix;
# only the test build has them.
if(PELLUMARA_TEST_SEAMS)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    env BUILD_DIR=${PELLUMARA_BUILD_ROOT} ${PROJECT_SOURCE_DIR}/tools/wine-run.sh)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_link_libraries(gtest PRIVATE pellumara_platform)
  target_link_libraries(gtest_main PRIVATE pellumara_platform)

  add_subdirectory(tests/windows)
endif()
