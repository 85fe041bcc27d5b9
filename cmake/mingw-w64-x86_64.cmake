# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (posix threads:
# std::thread and std::mutex need them). Used by scripts/build-windows.sh:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(corvala_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${corvala_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${corvala_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${corvala_mingw}-windres)

# Libraries and headers come from the target's tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${corvala_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run without the compiler's DLLs beside them (the C++ runtime and
# winpthread are linked in), so Wine or a bare Windows runs them as they are.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools run the built programs through Wine.
find_program(CORVALA_WINE NAMES wine wine64)
if(CORVALA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVALA_WINE})
endif()
