# Cross-compiling the Qt-free core for 64-bit Windows with Debian's MinGW-w64
# (g++-mingw-w64-x86-64). The posix thread model is the one with std::thread.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELKOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELKOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELKOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no MinGW runtime DLLs to ship or to put on
# wine's path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under wine64 (Debian keeps its loader out of PATH).
find_program(VELKOR_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VELKOR_WINE64 AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
