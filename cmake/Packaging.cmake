# Installs the CMake package (find_package(ornatex CONFIG) -> ornatex::ornatex)
# and the pkg-config file ornatex.pc.
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
configure_file(${PROJECT_SOURCE_DIR}/cmake/ornatex.pc.in ${PROJECT_BINARY_DIR}/ornatex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ornatex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# A Debian package of the whole install (libraries, headers, package files,
# both programs, man page and completion): `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME ornatex)
set(CPACK_PACKAGE_VENDOR "ornatex developers")
set(CPACK_PACKAGE_CONTACT "ornatex developers <ornatex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Legacy texture loaders (TGA, SGI, palette TIFF), mesh primitives and the ornatex asset checker")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Run-time dependencies from the shared libraries the binaries need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
