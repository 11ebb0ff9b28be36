# GoogleTest for the test suites: the installed package on the build
# machine's own platform; for cross builds (Windows, 32-bit Linux), built
# from the sources Debian's googletest package ships, with the target's
# compiler. Either way the suites link GTest::gtest_main.
if(CMAKE_CROSSCOMPILING)
  set(ORNATEX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(NOT EXISTS ${ORNATEX_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "no GoogleTest sources in ${ORNATEX_GTEST_SOURCE_DIR} (Debian package googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${ORNATEX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest's own build names them GTest::gtest and GTest::gtest_main.
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# How much slower than native the tests' programs run here: time limits
# (listing a suite, the end-to-end tests' deadlines) are multiplied by it.
# The 32-bit Windows build runs under Wine and qemu-i386, whose OpenGL is
# about 20 times slower than native.
set(ORNATEX_TEST_TIME_FACTOR 1 CACHE STRING "Factor on the tests' time limits for slow emulators")
if(NOT ORNATEX_TEST_TIME_FACTOR MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "ORNATEX_TEST_TIME_FACTOR must be a whole number of at least 1, not '${ORNATEX_TEST_TIME_FACTOR}'")
endif()

# Declares a suite's tests: gtest_discover_tests with the same arguments.
# A cross build with no emulator builds the suites, so their warnings are
# checked, but cannot list or run them; there only the tests that inspect
# the built files (export tables) are declared. Under a slow emulator,
# listing a suite may take GoogleTest's default 5 s times the factor.
function(ornatex_discover_tests target)
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  if(ORNATEX_TEST_TIME_FACTOR EQUAL 1)
    gtest_discover_tests(${target} ${ARGN})
  else()
    math(EXPR timeout "5 * ${ORNATEX_TEST_TIME_FACTOR}")
    gtest_discover_tests(${target} ${ARGN} DISCOVERY_TIMEOUT ${timeout})
  endif()
endfunction()

# Listing a suite's tests runs the program: under Wine or qemu that takes a
# while, so cross builds list them when the tests run, not after each build.
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()

# Under Wine the first program started in a fresh prefix waits several
# seconds while the prefix is made (under 32-bit Wine about 40 s, and the
# first use of scripts/wine32-run.sh on a machine sets it up, a download),
# longer than the listing of a suite's tests may take: make the prefix now.
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
  message(STATUS "Preparing the Wine prefix")
  execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit RESULT_VARIABLE ornatex_wine_result
    OUTPUT_QUIET ERROR_QUIET TIMEOUT 600)
  if(NOT ornatex_wine_result EQUAL 0)
    message(WARNING "Wine did not start (${ornatex_wine_result}): the tests cannot run here")
  endif()
endif()
