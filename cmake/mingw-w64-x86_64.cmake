# Cross-builds for 64-bit Windows with mingw-w64 (Debian:
# g++-mingw-w64-x86-64-posix, mingw-w64-tools) and runs what the build runs,
# the tests included, under Wine.
#
#   cmake -S . -B build/windows \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORNENV_MINGW_TRIPLET x86_64-w64-mingw32)

# The posix-threads variant: its libstdc++ has std::thread and friends,
# which the win32-threads variant lacks.
set(CMAKE_C_COMPILER ${VORNENV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORNENV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VORNENV_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORNENV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's wine64 package keeps its loader out of PATH.
find_program(VORNENV_WINE NAMES wine wine64
             PATHS /usr/lib/wine /usr/lib64/wine
             NO_CMAKE_FIND_ROOT_PATH)
if(VORNENV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VORNENV_WINE})
endif()
