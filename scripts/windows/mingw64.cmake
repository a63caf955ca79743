# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, posix thread model (Qt needs
# std::thread and std::mutex, which the win32 model lacks). KORVANE_WINDOWS_PREFIX is where
# scripts/windows/ installs Qt, OpenSSL, libmosquitto and libxlsxwriter built for Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT KORVANE_WINDOWS_PREFIX AND DEFINED ENV{KORVANE_WINDOWS_PREFIX})
  set(KORVANE_WINDOWS_PREFIX "$ENV{KORVANE_WINDOWS_PREFIX}")
endif()
# try_compile projects see only what is passed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVANE_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KORVANE_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${KORVANE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config answers for the Windows libraries, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${KORVANE_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
