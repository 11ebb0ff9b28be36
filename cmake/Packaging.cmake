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
