# The core: engine, table exports, host state and support. Both the plug-in
# and the tests link it, so tests can drive the engine directly. Included by
# the top-level build and by the fuzzing build in tests/fuzz, which compile
# it with different flags; paths are taken from this file's place so that
# either can include it.

get_filename_component(QUILLON_SRC "${CMAKE_CURRENT_LIST_DIR}/../src" ABSOLUTE)
get_filename_component(QUILLON_INCLUDE "${CMAKE_CURRENT_LIST_DIR}/../include" ABSOLUTE)

add_library(quillon_core STATIC
  ${QUILLON_SRC}/support/text.cpp
  ${QUILLON_SRC}/support/file_names.cpp
  ${QUILLON_SRC}/support/field_names.cpp
  ${QUILLON_SRC}/support/wildcard.cpp
  ${QUILLON_SRC}/support/case_folding.cpp
  ${QUILLON_SRC}/platform/current_platform.cpp
  ${QUILLON_SRC}/engine/format.cpp
  ${QUILLON_SRC}/engine/structure.cpp
  ${QUILLON_SRC}/engine/errors.cpp
  ${QUILLON_SRC}/engine/fast_paths.cpp
  ${QUILLON_SRC}/engine/read_window.cpp
  ${QUILLON_SRC}/engine/write_behind.cpp
  ${QUILLON_SRC}/engine/table.cpp
  ${QUILLON_SRC}/engine/journal_format.cpp
  ${QUILLON_SRC}/engine/earlier_journal.cpp
  ${QUILLON_SRC}/engine/change.cpp
  ${QUILLON_SRC}/engine/change_journal.cpp
  ${QUILLON_SRC}/engine/change_recovery.cpp
  ${QUILLON_SRC}/engine/file_io.cpp
  ${QUILLON_SRC}/engine/shift_journal.cpp
  ${QUILLON_SRC}/engine/cursor.cpp
  ${QUILLON_SRC}/engine/fields.cpp
  ${QUILLON_SRC}/engine/records.cpp
  ${QUILLON_SRC}/engine/memo.cpp
  ${QUILLON_SRC}/engine/creation.cpp
  ${QUILLON_SRC}/host/library.cpp
  ${QUILLON_SRC}/host/plugin_api.cpp
  ${QUILLON_SRC}/host/loaddb.cpp
  ${QUILLON_SRC}/api/cursor_exports.cpp
  ${QUILLON_SRC}/api/field_values.cpp
  ${QUILLON_SRC}/api/read_exports.cpp
  ${QUILLON_SRC}/api/create_export.cpp
  ${QUILLON_SRC}/api/edit_exports.cpp
  ${QUILLON_SRC}/api/search_exports.cpp
  ${QUILLON_SRC}/api/import_export.cpp
  ${QUILLON_SRC}/api/pack_export.cpp
)
# The exports are declared in include/quillon.h, for hosts and the library
# alike; QUILLON_BUILD tells it that they are defined here, not imported.
target_include_directories(quillon_core PUBLIC ${QUILLON_SRC} ${QUILLON_INCLUDE})
target_compile_definitions(quillon_core PUBLIC QUILLON_BUILD)
if(WIN32)
  target_sources(quillon_core PRIVATE ${QUILLON_SRC}/platform/win32_platform.cpp)
else()
  target_sources(quillon_core PRIVATE ${QUILLON_SRC}/platform/posix_platform.cpp)
endif()
