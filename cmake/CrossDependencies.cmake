# Dependencies of a cross build (Windows from Linux). The target system's sysroot has neither
# GoogleTest nor CLI11, and the build machine's /usr/include must never be on a Windows
# program's include path (its glibc and Linux headers would shadow the MinGW ones).

# CLI11 is header-only: its CLI/ folder is copied into the build tree, and that copy alone is
# the include folder of an interface target named as the package's own.
find_path(VORNALT_CLI11_HEADERS CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH
  DOC "Folder holding the CLI/ headers of CLI11 (Debian: libcli11-dev)")
if(NOT VORNALT_CLI11_HEADERS)
  message(FATAL_ERROR "CLI11 headers not found: install libcli11-dev (or set VORNALT_CLI11_HEADERS)")
endif()
set(_vornalt_cli11_copy "${PROJECT_BINARY_DIR}/third_party/cli11/include")
file(COPY "${VORNALT_CLI11_HEADERS}/CLI" DESTINATION "${_vornalt_cli11_copy}")
add_library(vornalt_cli11 INTERFACE)
target_include_directories(vornalt_cli11 SYSTEM INTERFACE "${_vornalt_cli11_copy}")
add_library(CLI11::CLI11 ALIAS vornalt_cli11)

# GoogleTest is built from Debian's source package with the cross compiler; its CMake files
# define GTest::gtest, GTest::gmock and GTest::gtest_main as the installed package does.
if(VORNALT_BUILD_TESTS)
  set(VORNALT_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources (Debian: googletest)")
  if(NOT EXISTS "${VORNALT_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${VORNALT_GOOGLETEST_SOURCE}: install googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory("${VORNALT_GOOGLETEST_SOURCE}" "${PROJECT_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()
