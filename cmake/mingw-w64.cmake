# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
# The programs run here under Wine: ctest starts each test through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OVEX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${OVEX_MINGW_PREFIX}-windres)

# Libraries and headers come from the mingw sysroot and the dependency
# prefix that scripts/build-windows-deps fills; programs from the host.
# OVEX_WIN_DEPS (environment) overrides the default prefix beside the sources.
if(DEFINED ENV{OVEX_WIN_DEPS})
  set(OVEX_WIN_DEPS $ENV{OVEX_WIN_DEPS})
else()
  get_filename_component(OVEX_WIN_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build-win-deps/prefix ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${OVEX_MINGW_PREFIX} ${OVEX_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(OVEX_WINE NAMES wine64 wine)
if(OVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OVEX_WINE})
endif()
