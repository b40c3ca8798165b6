# The Windows build: Quillon.dll, a 32-bit DLL whose exports and ordinals come
# from src/host/Quillon.def. It carries its C and C++ runtimes inside, so it
# needs nothing beyond kernel32, user32 and the system's msvcrt; the tests'
# programs are linked the same way.

set(QUILLON_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

add_library(quillon SHARED
  src/host/win32_entry.cpp
  src/host/Quillon.def
)
target_link_libraries(quillon PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,quillon_core>" user32)
target_link_options(quillon PRIVATE ${QUILLON_STATIC_RUNTIME} -Wl,--no-undefined)
set_target_properties(quillon PROPERTIES
  OUTPUT_NAME Quillon
  PREFIX ""
  SUFFIX ".dll"
)

