# engine_library(<name> SOURCES ... HEADERS ... [PUBLIC_LINKS ...] [PRIVATE_LINKS ...])
#
# One of the engine's shared libraries: hidden visibility with <NAME>_BUILD
# defined for its export macro, headers included as <name/Header.h> from the
# engine folder, the project's warnings, and installation of the library and
# the listed headers into the package; C++17 and a versioned SONAME.
function(engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;PUBLIC_LINKS;PRIVATE_LINKS" ${ARGN})
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
  install(FILES ${ARG_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${name})
  install(TARGETS ${name} EXPORT ornatexTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    # Windows: the DLL goes to bin/, its import library to lib/.
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
