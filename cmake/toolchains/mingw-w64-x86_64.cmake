# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model, so std::thread and
# std::mutex work). The runtime libraries are linked statically: the .exe files run on a bare
# Windows (or under Wine) with no MinGW DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vornalt_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_vornalt_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vornalt_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_vornalt_mingw}-windres)

# Only the MinGW sysroot is searched for headers, libraries and packages: nothing of the build
# machine's /usr may end up in a Windows program. Programs (gpasm, wine) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_vornalt_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine on the build machine.
find_program(VORNALT_WINE NAMES wine wine64)
if(VORNALT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${VORNALT_WINE}")
endif()
