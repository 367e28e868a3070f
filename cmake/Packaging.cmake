# The release package: Tarnwick-<version>-windows.zip with the program and
# the case filter for both Windows architectures, the README and the
# licence. CPack takes the "application" component of two build trees, this
# one (x86-64) and the 32-bit x86 one, so nothing else (test drivers,
# GoogleTest) can end up in the package.
#
#   cmake --preset windows && cmake --preset windows-x86   (and build both)
#   cpack --config build/windows/CPackConfig.cmake
if(NOT WIN32)
  return()
endif()

set(TARNWICK_PACKAGE_X86_DIR "${CMAKE_SOURCE_DIR}/build/windows-x86" CACHE PATH
    "Build tree of the 32-bit x86 Windows build, packaged beside this one")

install(FILES README.md DESTINATION . RENAME README.txt COMPONENT documents)
install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT documents)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tarnwick)
set(CPACK_PACKAGE_VENDOR "Tarnwick developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_FILE_NAME "Tarnwick-${CPACK_PACKAGE_VERSION}-windows")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE")
# Build tree, project, component, folder inside the package (with its
# leading slash: CPack appends it to the package's root as it stands).
set(CPACK_INSTALL_CMAKE_PROJECTS
  "${CMAKE_BINARY_DIR};Tarnwick;application;/x64"
  "${TARNWICK_PACKAGE_X86_DIR};Tarnwick;application;/x86"
  "${CMAKE_BINARY_DIR};Tarnwick;documents;/")
# Installing (and so packaging) does not build the whole tree first, tests
# included: scripts/package.sh builds the shipped programs, and an install
# of a program that is not built fails loudly.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
