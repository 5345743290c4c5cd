# minizip's unzip part for MinGW. Debian ships it for the host only, so the
# three files come from Debian's zlib source package (tools/fetch-minizip.sh,
# fetched once into the build folder) and are compiled here with their own
# warnings, against Debian's zlib for MinGW, linked statically.
set(PELLUMARA_MINIZIP_DIR "${PELLUMARA_BUILD_ROOT}/minizip" CACHE PATH "minizip's unzip sources")
execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/tools/fetch-minizip.sh ${PELLUMARA_MINIZIP_DIR}
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0)
  message(FATAL_ERROR "minizip's sources could not be fetched into ${PELLUMARA_MINIZIP_DIR}")
endif()

find_library(PELLUMARA_MINGW_ZLIB NAMES libz.a z REQUIRED)

add_library(minizip_unzip STATIC
  ${PELLUMARA_MINIZIP_DIR}/unzip.c
  ${PELLUMARA_MINIZIP_DIR}/ioapi.c
  ${PELLUMARA_MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip_unzip SYSTEM PUBLIC ${PELLUMARA_MINIZIP_DIR})
target_link_libraries(minizip_unzip PUBLIC ${PELLUMARA_MINGW_ZLIB})
# minizip reads entry data in pieces of its own default size, 16 KB, into a
# buffer it allocates and frees again for every entry; the archive file
# itself is read 256 KB at a time behind it (engine/buffered_archive.cpp).
# A larger piece saves no call into the system and only makes that buffer
# large enough for the heap to give its memory back after every entry and
# commit it anew for the next: seen under Wine as a page-zeroing cycle of
# 192 KB per entry, depending on where the heap happened to place it.
