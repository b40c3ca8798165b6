# What `cmake --install` puts in place. On Linux: the library with its
# version and soname, the header, a CMake package (find_package(Quillon)
# gives Quillon::quillon), a pkg-config file, quillon-host, and the README,
# docs/ and examples/ as documents. For Windows the same files, laid out
# flat with import libraries and a README of the kit's own, make the zip
# that CPack builds with
#   cmake --build --preset win32 --target package

install(FILES include/quillon.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(WIN32)
  install(TARGETS quillon quillon_host RUNTIME DESTINATION . ARCHIVE DESTINATION lib)
  install(FILES src/host/Quillon.def "${QUILLON_MSVC_IMPORT_LIBRARY}"
    "${QUILLON_ORDINAL_IMPORT_LIBRARY}" DESTINATION lib)
  # The kit has a README of its own, for Windows host developers, that
  # speaks only of what the zip holds.
  install(FILES kit/windows/README.md DESTINATION .)
  # The page on building and testing is about the source tree, which the kit
  # does not hold.
  install(DIRECTORY docs DESTINATION . PATTERN building.md EXCLUDE)
  install(DIRECTORY examples DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME quillon)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME "quillon-${PROJECT_VERSION}-win32")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
else()
  install(TARGETS quillon EXPORT QuillonTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(TARGETS quillon_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  set(QUILLON_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillon)
  install(EXPORT QuillonTargets NAMESPACE Quillon:: DESTINATION ${QUILLON_CMAKE_DIR})
  include(CMakePackageConfigHelpers)
  configure_package_config_file(cmake/QuillonConfig.cmake.in
    "${CMAKE_CURRENT_BINARY_DIR}/QuillonConfig.cmake" INSTALL_DESTINATION ${QUILLON_CMAKE_DIR})
  write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/QuillonConfigVersion.cmake"
    COMPATIBILITY SameMajorVersion)
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/QuillonConfig.cmake"
    "${CMAKE_CURRENT_BINARY_DIR}/QuillonConfigVersion.cmake" DESTINATION ${QUILLON_CMAKE_DIR})

  file(RELATIVE_PATH QUILLON_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" QUILLON_PC_TO_PREFIX "${QUILLON_PC_TO_PREFIX}")
  configure_file(cmake/quillon.pc.in "${CMAKE_CURRENT_BINARY_DIR}/quillon.pc" @ONLY)
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/quillon.pc"
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

  # Whatever docs/ and examples/ hold when installing is installed.
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY examples DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
