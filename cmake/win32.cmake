# The Windows build: Quillon.dll, a 32-bit DLL whose exports and ordinals come
# from src/host/Quillon.def. It carries its C and C++ runtimes inside, so it
# needs nothing beyond kernel32, user32 and the system's msvcrt; the tests'
# programs are linked the same way.

set(QUILLON_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
# What the zip ships, Quillon.dll and quillon-host.exe, is linked like them
# and, in a release build, without its symbol table and the debug sections
# that come with the static MinGW runtime: a release build compiles none of
# the project's own code with -g, so they would only make the files larger.
set(QUILLON_SHIPPED_LINK_OPTIONS ${QUILLON_STATIC_RUNTIME} $<$<CONFIG:Release,MinSizeRel>:-s>)

# The version resource that Windows shows in the DLL's file properties.
enable_language(RC)
configure_file(src/host/version.rc.in "${CMAKE_CURRENT_BINARY_DIR}/version.rc" @ONLY)

add_library(quillon SHARED
  src/host/win32_entry.cpp
  src/host/Quillon.def
  "${CMAKE_CURRENT_BINARY_DIR}/version.rc"
)
target_link_libraries(quillon PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,quillon_core>" user32)
target_link_options(quillon PRIVATE ${QUILLON_SHIPPED_LINK_OPTIONS} -Wl,--no-undefined)
set_target_properties(quillon PROPERTIES
  OUTPUT_NAME Quillon
  PREFIX ""
  SUFFIX ".dll"
)

# The linker makes libQuillon.dll.a for MinGW, which binds the exports by
# name. Quillon.lib, made from the same .def file, does so too and suits
# linkers of the MSVC kind as well. Quillon-ordinals.lib, made from a copy
# of the .def file that marks every export NONAME, binds each by its ordinal
# instead, for either kind of linker.
find_program(QUILLON_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
set(QUILLON_DEF "${CMAKE_CURRENT_SOURCE_DIR}/src/host/Quillon.def")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${QUILLON_DEF}")
file(READ "${QUILLON_DEF}" QUILLON_EXPORTS)
string(REGEX REPLACE "(@[0-9]+)" "\\1 NONAME" QUILLON_EXPORTS "${QUILLON_EXPORTS}")
set(QUILLON_ORDINALS_DEF "${CMAKE_CURRENT_BINARY_DIR}/Quillon-ordinals.def")
file(GENERATE OUTPUT "${QUILLON_ORDINALS_DEF}" CONTENT "${QUILLON_EXPORTS}")

function(quillon_import_library def library)
  add_custom_command(OUTPUT "${library}"
    COMMAND "${QUILLON_DLLTOOL}" --input-def "${def}" --dllname Quillon.dll --output-lib "${library}"
    DEPENDS "${def}"
    COMMENT "Making ${library}")
endfunction()
set(QUILLON_MSVC_IMPORT_LIBRARY "${CMAKE_CURRENT_BINARY_DIR}/Quillon.lib")
set(QUILLON_ORDINAL_IMPORT_LIBRARY "${CMAKE_CURRENT_BINARY_DIR}/Quillon-ordinals.lib")
quillon_import_library("${QUILLON_DEF}" "${QUILLON_MSVC_IMPORT_LIBRARY}")
quillon_import_library("${QUILLON_ORDINALS_DEF}" "${QUILLON_ORDINAL_IMPORT_LIBRARY}")
add_custom_target(quillon_import_libraries ALL
  DEPENDS "${QUILLON_MSVC_IMPORT_LIBRARY}" "${QUILLON_ORDINAL_IMPORT_LIBRARY}")
