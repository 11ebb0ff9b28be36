# Windows x86 (32-bit) with Debian's mingw-w64 cross compiler (posix thread
# model). These machines' kernels run no 32-bit x86 code: programs run here
# through 32-bit Wine under qemu-i386, see scripts/wine32-run.sh, the
# emulator CMake uses for tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(ORNATEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# SSE2 arithmetic, as on x86-64: the x87 unit keeps 80-bit intermediates, so
# float and double results would depend on when the compiler spills them,
# and the geometry would not round as documented.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
