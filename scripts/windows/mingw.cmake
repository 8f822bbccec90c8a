# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads,
# so std::thread and std::async work as on Linux).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Programs made for the build's own use run under wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# The libraries built for Windows (build-windows/deps/*) are roots of their own.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${ZANDREL_WINDOWS_PREFIXES})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZANDREL_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
