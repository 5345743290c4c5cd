# The setup runs elevated and is started from download folders, where a DLL
# placed beside it would be found first. So it imports only kernel32 and the
# C runtime when the process starts; every other system DLL is loaded on its
# first use, after start-up has restricted the DLL search to the system
# folder. The delay-import libraries are made here by dlltool from the
# names of the toolchain's own import libraries. The thunks of binutils 2.40
# keep the integer argument registers across the first call's loading, not
# xmm0-xmm3: no function of these DLLs that the setup calls takes a
# floating-point argument.
set(PELLUMARA_DELAYED_DLLS user32 gdi32 advapi32 comctl32 ole32 oleaut32 shell32 oleacc)

set(delay_dir "${CMAKE_BINARY_DIR}/delay-imports")
file(MAKE_DIRECTORY "${delay_dir}")
find_program(PELLUMARA_NM NAMES ${CMAKE_NM} x86_64-w64-mingw32-nm REQUIRED)
find_program(PELLUMARA_DLLTOOL NAMES ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool REQUIRED)

set(PELLUMARA_DELAY_LIBRARIES)
foreach(dll IN LISTS PELLUMARA_DELAYED_DLLS)
  set(delay_lib "${delay_dir}/lib${dll}-delay.a")
  if(NOT EXISTS "${delay_lib}")
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${dll}.a
      OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${PELLUMARA_NM} -g --defined-only "${import_lib}"
      OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[^ \r\n]+" names "${symbols}")
    list(TRANSFORM names REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES names)
    list(JOIN names "\n" exports)
    file(WRITE "${delay_dir}/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    # Relative names: dlltool names its symbols after the output file, and
    # the build folder's path does not belong in the setup.
    execute_process(COMMAND ${PELLUMARA_DLLTOOL} --input-def ${dll}.def
      --dllname ${dll}.dll --output-delaylib lib${dll}-delay.a
      WORKING_DIRECTORY "${delay_dir}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
  list(APPEND PELLUMARA_DELAY_LIBRARIES "${delay_lib}")
endforeach()
