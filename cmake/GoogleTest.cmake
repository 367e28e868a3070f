# GoogleTest from an installed package, else from Debian's source package
# (/usr/src/googletest), which builds with every toolchain, MinGW included.
include(GoogleTest)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()

if(NOT TARGET GTest::gtest_main)
  set(TARNWICK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
  if(NOT EXISTS "${TARNWICK_GTEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest not found: install it or set TARNWICK_GTEST_SOURCE")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  if(WIN32)
    # No winpthread dependency in the test executables.
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  endif()
  add_subdirectory("${TARNWICK_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# tarnwick_add_gtest(<name> [USES_DESKTOP] SOURCES ... LIBS ...): one test
# executable whose cases ctest lists at test time (so a cross build lists them
# through Wine). USES_DESKTOP: its cases open windows or the clipboard of the
# one shared desktop, so they run one at a time with every other such case.
function(tarnwick_add_gtest name)
  cmake_parse_arguments(T "USES_DESKTOP" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main tarnwick_options)
  set(properties TIMEOUT 300)
  if(T_USES_DESKTOP)
    list(APPEND properties RESOURCE_LOCK desktop)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${properties})
endfunction()
