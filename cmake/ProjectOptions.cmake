# One INTERFACE target carries the language standard, the warnings and the sanitizers;
# every library and executable of the project links it.
add_library(vornalt_options INTERFACE)
target_compile_features(vornalt_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vornalt_options INTERFACE -Wall -Wextra -Wpedantic)
if(VORNALT_WERROR)
  target_compile_options(vornalt_options INTERFACE -Werror)
endif()
# GCC 12 at -O3 reports string concatenation ("text" + std::string) as overlapping copies
# (-Wrestrict, GCC bug 105651, fixed in 13); the release build would otherwise fail on correct code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(vornalt_options INTERFACE -Wno-restrict)
endif()
if(VORNALT_SANITIZE)
  set(_vornalt_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(vornalt_options INTERFACE ${_vornalt_san})
  target_link_options(vornalt_options INTERFACE ${_vornalt_san})
endif()

# vornalt_add_library(NAME SOURCES... [DEPS ...] [PRIVATE_DEPS ...]): one library per subsystem
# folder. DEPS are the libraries its headers include, so whoever includes them gets them too;
# PRIVATE_DEPS those only its sources include.
function(vornalt_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC vornalt_options ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# vornalt_add_test(NAME SOURCES... LIBS...): one test executable per module, linking its library.
function(vornalt_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE vornalt_options ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    # One emulator start per test program rather than one per test case: starting a program
    # under Wine costs a good part of a second.
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
