# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for Windows x64 with Debian's mingw-w64 toolchain. The -posix compilers use the
# winpthreads thread model, which std::thread and the timed mutexes need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNQ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNQ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNQ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNQ_MINGW_PREFIX}-windres)
set(CMAKE_AR ${TARNQ_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TARNQ_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the toolchain's root and the third-party prefix scripts/build-windows
# passes in CMAKE_PREFIX_PATH; programs (pkg-config, the build tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TARNQ_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run without DLLs beside them: the compiler's runtime and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine.
find_program(TARNQ_WINE wine)
if(TARNQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNQ_WINE})
endif()
