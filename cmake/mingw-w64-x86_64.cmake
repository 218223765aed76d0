# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix); the
# programs and tests run here under Wine through CTest's cross-compiling emulator.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVT_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour has std::thread and std::mutex; the win32 flavour of GCC 12 has not.
find_program(CMAKE_CXX_COMPILER NAMES ${KVT_MINGW_PREFIX}-g++-posix ${KVT_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${KVT_MINGW_PREFIX}-gcc-posix ${KVT_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${KVT_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime libraries linked in, so a program runs with no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the programs and tests; winedbg is switched off so a crash ends the test at once
# instead of waiting in the debugger.
find_program(KVT_WINE NAMES wine wine64)
if(KVT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDLLOVERRIDES=winedbg.exe=d ${KVT_WINE})
endif()

# Tests are listed when ctest runs (under the Wine set-up of the test run), not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Debian's libgtest-dev is built for Linux: GoogleTest is built from its source package
# (googletest) inside this build.
set(KVT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
