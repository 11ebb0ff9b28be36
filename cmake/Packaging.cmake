# Installs the CMake package (find_package(ornatex CONFIG) -> ornatex::ornatex)
# and the pkg-config file ornatex.pc. The Debian packages are built from
# debian/ (dpkg-buildpackage; scripts/check-deb.sh).
include(CMakePackageConfigHelpers)

install(EXPORT ornatexTargets
  NAMESPACE ornatex::
  FILE ornatexTargets.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ornatex)

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/ornatexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ornatexConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ornatex)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/ornatexConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/ornatexConfig.cmake
  ${PROJECT_BINARY_DIR}/ornatexConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ornatex)

# The .pc file finds the prefix relative to itself, so it stays right when
# the install is made with --prefix or moved.
file(RELATIVE_PATH ORNATEX_PC_TO_PREFIX
  ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ORNATEX_PC_TO_PREFIX "${ORNATEX_PC_TO_PREFIX}")
set(ORNATEX_PC_PREFIX "\${pcfiledir}/${ORNATEX_PC_TO_PREFIX}")
set(ORNATEX_PC_INCLUDE_FLAG " -I\${includedir}")
set(ORNATEX_PC_LIBDIR_FLAG " -L\${libdir}")
# Installed under /usr (a distribution's package), the paths are written
# plainly, and /usr/include and the system library folder, which the compiler
# and the linker search anyway, are not named at all.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(ORNATEX_PC_PREFIX "/usr")
  if(CMAKE_INSTALL_INCLUDEDIR STREQUAL "include")
    set(ORNATEX_PC_INCLUDE_FLAG "")
  endif()
  if(CMAKE_INSTALL_LIBDIR MATCHES "^lib(64|32)?(/${CMAKE_LIBRARY_ARCHITECTURE})?$")
    set(ORNATEX_PC_LIBDIR_FLAG "")
  endif()
endif()
# The engine libraries lie outside the linker's and the loader's search
# paths, so the .pc file names their folder for both.
if(WIN32)
  set(ORNATEX_PC_ENGINE_RUNPATH "")
else()
  set(ORNATEX_PC_ENGINE_RUNPATH " -Wl,-rpath,\${enginedir}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/ornatex.pc.in ${PROJECT_BINARY_DIR}/ornatex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ornatex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
