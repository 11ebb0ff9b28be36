# engine_library(<name> [PROGRAMS_ONLY] SOURCES ... [HEADERS ...] [PUBLIC_LINKS ...] [PRIVATE_LINKS ...])
#
# One of the engine's shared libraries: hidden visibility with <NAME>_BUILD
# defined for its export macro, headers included as <name/Header.h> from the
# engine folder, the project's warnings; C++17 and a versioned SONAME. It is
# installed into the engine folder (see InstallLayout.cmake) with its link
# file, its listed headers and its CMake target, for programs built against
# ornatex. A PROGRAMS_ONLY library serves only this project's programs: just
# the shared library itself is installed.
function(engine_library name)
  cmake_parse_arguments(ARG "PROGRAMS_ONLY" "" "SOURCES;HEADERS;PUBLIC_LINKS;PRIVATE_LINKS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  add_library(${name}::${name} ALIAS ${name})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
  string(TOUPPER "${name}" upper)
  target_compile_definitions(${name} PRIVATE ${upper}_BUILD)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/engine>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # Consumers of the installed package get C++17 with the target: the
  # headers need it.
  target_compile_features(${name} PUBLIC cxx_std_17)
  # The file name carries the version, the SONAME the major version.
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  project_warnings(${name})
  # The engine libraries find each other beside themselves.
  ornatex_install_runpath(${name} ${ORNATEX_INSTALL_ENGINEDIR} ${ORNATEX_INSTALL_ENGINEDIR})
  if(ARG_PROGRAMS_ONLY)
    install(TARGETS ${name}
      LIBRARY DESTINATION ${ORNATEX_INSTALL_ENGINEDIR} NAMELINK_SKIP
      RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    return()
  endif()
  # The public headers, as <name/Header.h> under include/.
  target_sources(${name} PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR}/engine FILES ${ARG_HEADERS})
  install(TARGETS ${name} EXPORT ornatexTargets
    FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    LIBRARY DESTINATION ${ORNATEX_INSTALL_ENGINEDIR}
    # Windows: the DLL goes to bin/, its import library to lib/.
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
