# 32-bit x86 Linux with the build machine's gcc (-m32, Debian g++-multilib).
# These machines cannot execute 32-bit code natively; tests run under
# qemu-i386 (CMAKE_CROSSCOMPILING_EMULATOR, set by the preset).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE2 arithmetic, as on x86-64: the x87 unit keeps 80-bit intermediates, so
# float and double results would depend on when the compiler spills them,
# and the geometry would not round as documented.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# The build machine's 64-bit libraries must not be picked up: only 32-bit
# ones (none are installed from packages; libtiff and zlib are built for this
# target by scripts/build-cross-libtiff.sh).
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH /usr/lib/i386-linux-gnu /opt/ornatex-cross/i686-linux-gnu)
