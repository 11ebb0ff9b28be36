# Windows builds: every program and DLL goes into one bin/ folder, so the
# programs find the DLLs beside themselves (Windows has no rpath), in the
# build tree as in the install folder. The mingw runtime DLLs the programs
# need (C++ library, GCC support, threads) are installed beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# ornatex.dll, as Windows names DLLs (mingw would say libornatex.dll); the
# import libraries keep mingw's libornatex.dll.a.
set(CMAKE_SHARED_LIBRARY_PREFIX "")

# Windows headers: no min/max macros, no rarely used parts (the sources
# include <windows.h> plainly and rely on these).
# M_PI and friends, which the strict C++17 mode hides on mingw.
# printf and friends from mingw's own C99 implementation: the system's
# msvcrt.dll does not know every C99 format (%zu, %llu on older Windows), and
# the system's messages must come out byte for byte as on Linux.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _USE_MATH_DEFINES __USE_MINGW_ANSI_STDIO=1)

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE ornatex_libstdcxx_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(ornatex_gcc_runtime_dir ${ornatex_libstdcxx_dll} DIRECTORY)
file(GLOB ornatex_mingw_runtime
  ${ornatex_gcc_runtime_dir}/libstdc++-6.dll
  ${ornatex_gcc_runtime_dir}/libgcc_s_*.dll
  /usr/${ORNATEX_MINGW_TRIPLE}/lib/libwinpthread-1.dll)
install(FILES ${ornatex_mingw_runtime} DESTINATION ${CMAKE_INSTALL_BINDIR})
