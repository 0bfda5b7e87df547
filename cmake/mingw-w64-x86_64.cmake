# Cross-build for 64-bit Windows with Debian's MinGW-w64; tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEX_MINGW_PREFIX x86_64-w64-mingw32)

# Debian ships the compiler in two thread models and points the plain name at
# win32, whose libstdc++ has no std::mutex; GoogleTest's Windows build needs it.
# The posix model's winpthread is linked statically into every .exe, so nothing
# imports its DLL. Elsewhere (MSYS2, other distributions) the plain name is used.
find_program(QUORVEX_MINGW_CXX NAMES ${QUORVEX_MINGW_PREFIX}-g++-posix ${QUORVEX_MINGW_PREFIX}-g++
             REQUIRED)
find_program(QUORVEX_MINGW_CC NAMES ${QUORVEX_MINGW_PREFIX}-gcc-posix ${QUORVEX_MINGW_PREFIX}-gcc
             REQUIRED)
set(CMAKE_CXX_COMPILER ${QUORVEX_MINGW_CXX})
set(CMAKE_C_COMPILER ${QUORVEX_MINGW_CC})
set(CMAKE_RC_COMPILER ${QUORVEX_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${QUORVEX_MINGW_PREFIX}-objdump CACHE FILEPATH "")

# The target's libraries and packages: the cross compiler's own, after any
# prefix the caller roots the search in (-DCMAKE_FIND_ROOT_PATH=PREFIX, as a
# program built against an installed Quorvex does).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
