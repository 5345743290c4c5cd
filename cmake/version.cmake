# The one place the version is set. The texts, the uninstall entry, the
# Start-menu link, the manifest and the version resource are all made from
# it through the generated header common/product_version.h.
set(PELLUMARA_VERSION 4.41 CACHE STRING "The viewer's version: MAJOR.MINOR, the minor number two digits")
# The link name formats the minor number right-aligned in two places and the
# uninstall entry as a plain number: only a two-digit minor number without a
# leading zero reads the same in both.
if(NOT PELLUMARA_VERSION MATCHES "^([1-9][0-9]?[0-9]?[0-9]?)\\.([1-9][0-9])$")
  message(FATAL_ERROR "PELLUMARA_VERSION \"${PELLUMARA_VERSION}\" is not MAJOR.MINOR with a two-digit "
                      "minor number from 10 to 99 (such as 4.41)")
endif()
set(PELLUMARA_VERSION_MAJOR ${CMAKE_MATCH_1})
set(PELLUMARA_VERSION_MINOR ${CMAKE_MATCH_2})

set(PELLUMARA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/src/common/product_version.h.in
  ${PELLUMARA_GENERATED_DIR}/common/product_version.h @ONLY)
