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

# Under Wine every test program needs the Wine prefix, whose making takes
# several seconds (about 40 s under 32-bit Wine). Configuring never starts
# Wine: the prefix is made by the first test, wine_prefix, a CTest fixture
# that every test run under Wine requires (ornatex_wine_test). The 32-bit
# runner itself is set up once by scripts/install-deps.sh platforms.
set(ORNATEX_WINE_TESTS OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(ORNATEX_WINE_TESTS ON)
  math(EXPR ornatex_prefix_timeout "120 * ${ORNATEX_TEST_TIME_FACTOR}")
  add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT ${ornatex_prefix_timeout})
endif()

# ornatex_wine_test(<test>...): the tests run under Wine, so they need the
# prefix; elsewhere nothing.
function(ornatex_wine_test)
  if(ORNATEX_WINE_TESTS)
    set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()

# Declares a suite's tests: gtest_discover_tests with the same arguments
# (only PROPERTIES is used under Wine, see below). A cross build with no
# emulator builds the suites, so their warnings are checked, but cannot
# list or run them; there only the tests that inspect the built files
# (export tables) are declared. Under qemu-i386, listing a suite may take
# GoogleTest's default 5 s times the factor, and happens when the tests
# run (PRE_TEST), not after each build.
# Under Wine a suite is one test: listing its cases would run Wine before
# the fixture has made the prefix, and each case would pay Wine's start
# again (seconds under qemu-i386). GoogleTest's output names a failing case.
function(ornatex_discover_tests target)
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  if(ORNATEX_WINE_TESTS)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PROPERTIES")
    math(EXPR timeout "600 * ${ORNATEX_TEST_TIME_FACTOR}")
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout} ${arg_PROPERTIES})
    ornatex_wine_test(${target})
  elseif(ORNATEX_TEST_TIME_FACTOR EQUAL 1)
    gtest_discover_tests(${target} ${ARGN})
  else()
    math(EXPR timeout "5 * ${ORNATEX_TEST_TIME_FACTOR}")
    gtest_discover_tests(${target} ${ARGN} DISCOVERY_TIMEOUT ${timeout})
  endif()
endfunction()

# Listing a suite's tests runs the program: under qemu that takes a while,
# so cross builds list them when the tests run, not after each build.
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
