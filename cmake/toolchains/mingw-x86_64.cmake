# Windows x64 with Debian's mingw-w64 cross compiler (posix thread model,
# which has std::thread). Programs run here through Wine: see
# scripts/wine-run.sh, the emulator CMake uses for tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(ORNATEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
