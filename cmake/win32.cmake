# The Windows build: Quillon.dll, a 32-bit DLL whose exports and ordinals come
# from src/host/Quillon.def. It carries its C and C++ runtimes inside, so it
# needs nothing beyond kernel32, user32 and the system's msvcrt; the tests'
# programs are linked the same way.

set(QUILLON_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# The version resource that Windows shows in the DLL's file properties.
enable_language(RC)
configure_file(src/host/version.rc.in "${CMAKE_CURRENT_BINARY_DIR}/version.rc" @ONLY)

add_library(quillon SHARED
  src/host/win32_entry.cpp
  src/host/Quillon.def
  "${CMAKE_CURRENT_BINARY_DIR}/version.rc"
)
target_link_libraries(quillon PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,quillon_core>" user32)
target_link_options(quillon PRIVATE ${QUILLON_STATIC_RUNTIME} -Wl,--no-undefined)
set_target_properties(quillon PROPERTIES
  OUTPUT_NAME Quillon
  PREFIX ""
  SUFFIX ".dll"
)

# The linker makes libQuillon.dll.a for MinGW; linkers of the MSVC kind take
# Quillon.lib, made from the same .def file.
find_program(QUILLON_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
set(QUILLON_MSVC_IMPORT_LIBRARY "${CMAKE_CURRENT_BINARY_DIR}/Quillon.lib")
add_custom_command(OUTPUT "${QUILLON_MSVC_IMPORT_LIBRARY}"
  COMMAND "${QUILLON_DLLTOOL}" --input-def "${CMAKE_CURRENT_SOURCE_DIR}/src/host/Quillon.def"
          --dllname Quillon.dll --output-lib "${QUILLON_MSVC_IMPORT_LIBRARY}"
  DEPENDS src/host/Quillon.def
  COMMENT "Making Quillon.lib from Quillon.def")
add_custom_target(quillon_msvc_import_library ALL DEPENDS "${QUILLON_MSVC_IMPORT_LIBRARY}")
