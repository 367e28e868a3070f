# Cross build for 32-bit Windows (Windows 2000 and later) with MinGW-w64.
# The win32 thread model: its runtime imports nothing newer than Windows 2000,
# where the posix model's winpthreads would.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNWICK_MINGW_PREFIX i686-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-gcc-win32 REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-g++-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-windres windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests run through Wine's 32-bit loader, in a WINEARCH=win32 prefix.
find_program(TARNWICK_WINE NAMES wine)
if(TARNWICK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_WINE})
endif()
