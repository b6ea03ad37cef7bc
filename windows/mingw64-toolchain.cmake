# Cross-compiling for 64-bit Windows with Debian's mingw-w64 GCC, posix thread model (std::thread,
# std::mutex and the rest need it; the win32 model's libstdc++ lacks them in GCC 12).
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=windows/mingw64-toolchain.cmake \
#         -DQX_WINDOWS_PREFIX=$(windows/build_deps.sh --print-prefix) ...
#
# QX_WINDOWS_PREFIX (cache variable, or the environment variable of that name) is the
# third-party prefix windows/build_deps.sh builds; it joins the find roots so find_package,
# find_library and find_path see it as part of the target system. Programs (compilers,
# generators) are always the build machine's. pkg-config is left to the caller: point
# PKG_CONFIG_LIBDIR at the prefix's lib/pkgconfig so the host's .pc files stay out.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QX_MINGW_TRIPLET}-windres)

if(NOT QX_WINDOWS_PREFIX AND DEFINED ENV{QX_WINDOWS_PREFIX})
  set(QX_WINDOWS_PREFIX "$ENV{QX_WINDOWS_PREFIX}")
endif()
# try_compile projects read this file again: they get the prefix passed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QX_WINDOWS_PREFIX)

# The prefix comes first: its static zlib is found before the DLL import library
# /usr/x86_64-w64-mingw32/lib/libz.dll.a.
set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW_TRIPLET})
if(QX_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${QX_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
