# Shared part of the mingw-w64 toolchains; ORNATEX_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${ORNATEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORNATEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORNATEX_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${ORNATEX_MINGW_TRIPLE}-objdump)

# Libraries and headers come from the cross compiler's own tree, and from the
# static libtiff and zlib built for it by scripts/build-cross-libtiff.sh,
# never from the build machine's /usr; programs (cmake, sh) from the build
# machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORNATEX_MINGW_TRIPLE} /opt/ornatex-cross/${ORNATEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
