# Cross build for 64-bit Windows with Debian's MinGW-w64 GCC:
#   cmake -S . -B build-windows/build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH="<SDL2 prefix>;<OpenAL prefix>"
# scripts/build-windows.sh does all of it, including the SDL2 and OpenAL Soft builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GLOOPA_MINGW_TRIPLE x86_64-w64-mingw32)

# Debian ships the compilers in two thread models. The game needs none of C++'s threads and uses
# the default (win32); a library that does (OpenAL Soft) is built with -DGLOOPA_MINGW_THREADS=posix.
set(GLOOPA_MINGW_THREADS "" CACHE STRING "Thread model of the MinGW-w64 compilers: empty (default), win32 or posix")
if(GLOOPA_MINGW_THREADS)
  set(compiler_suffix -${GLOOPA_MINGW_THREADS})
endif()
set(CMAKE_C_COMPILER ${GLOOPA_MINGW_TRIPLE}-gcc${compiler_suffix})
set(CMAKE_CXX_COMPILER ${GLOOPA_MINGW_TRIPLE}-g++${compiler_suffix})
set(CMAKE_RC_COMPILER ${GLOOPA_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot and from the install prefixes of the
# cross-built SDL2 and OpenAL Soft (GLOOPA_WINDOWS_PREFIXES, a list); programs (generators, sox)
# come from the build machine.
set(GLOOPA_WINDOWS_PREFIXES "" CACHE STRING "Install prefixes of the Windows builds of SDL2 and OpenAL Soft")
set(CMAKE_FIND_ROOT_PATH /usr/${GLOOPA_MINGW_TRIPLE} ${GLOOPA_WINDOWS_PREFIXES})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GLOOPA_MINGW_THREADS GLOOPA_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The package ships no compiler runtime DLLs: link GCC's and the C++ library statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
