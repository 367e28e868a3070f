# Warning level, sanitizers and static linking, applied through one interface
# target that every project target links.
add_library(tarnwick_options INTERFACE)

if(MSVC)
  target_compile_options(tarnwick_options INTERFACE /W4 /utf-8 $<$<BOOL:${TARNWICK_WERROR}>:/WX>)
else()
  target_compile_options(tarnwick_options INTERFACE
    -Wall -Wextra -Wshadow $<$<BOOL:${TARNWICK_WERROR}>:-Werror>)
endif()

if(TARNWICK_SANITIZE AND NOT WIN32)
  target_compile_options(tarnwick_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tarnwick_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # Unicode Win32 entry points; Windows 2000 is the oldest target.
  target_compile_definitions(tarnwick_options INTERFACE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
  # The oldest Windows the headers may offer functions of (e.g. 0x0500 for
  # Windows 2000); empty keeps the SDK's default.
  set(TARNWICK_WIN32_WINNT "" CACHE STRING "_WIN32_WINNT and WINVER of the build, e.g. 0x0500")
  if(TARNWICK_WIN32_WINNT)
    target_compile_definitions(tarnwick_options INTERFACE
      _WIN32_WINNT=${TARNWICK_WIN32_WINNT} WINVER=${TARNWICK_WIN32_WINNT})
  endif()
  if(MINGW)
    # Self-contained executables: no MinGW runtime DLLs to ship.
    target_link_options(tarnwick_options INTERFACE -static -static-libgcc -static-libstdc++)
  endif()
endif()
