# The Windows build's packages: SDL2 (a DLL), libopenmpt and libpng (static) as
# windows/build_deps.sh built them with mingw-w64 from Debian's source packages, zlib from
# Debian's libz-mingw-w64-dev, under the names the native build's pkg-config finds them by; and
# the native build whose generated data (archive, object image, icons) the Windows build takes.
set(QX_WINDOWS_DEPS "" CACHE PATH "prefix of SDL2, libopenmpt and libpng built for Windows (windows/build_deps.sh)")
set(QX_NATIVE_BUILD "" CACHE PATH "native build folder holding the archive and the object image")
foreach(required QX_WINDOWS_DEPS QX_NATIVE_BUILD)
  if(NOT IS_DIRECTORY "${${required}}")
    message(FATAL_ERROR "the Windows build needs ${required}: build it with ./windows.sh")
  endif()
endforeach()

# SDL's own main (SDL2main) is not used: the program's main is its entry point, with the
# Windows subsystem's start-up of the C runtime.
add_compile_definitions(SDL_MAIN_HANDLED)

find_library(QX_WINDOWS_SDL2 NAMES libSDL2.dll.a PATHS ${QX_WINDOWS_DEPS}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(qx_windows_sdl2 INTERFACE)
target_include_directories(qx_windows_sdl2 INTERFACE ${QX_WINDOWS_DEPS}/include/SDL2)
target_link_libraries(qx_windows_sdl2 INTERFACE ${QX_WINDOWS_SDL2})
add_library(PkgConfig::SDL2 ALIAS qx_windows_sdl2)

find_library(QX_WINDOWS_OPENMPT NAMES libopenmpt.a PATHS ${QX_WINDOWS_DEPS}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(qx_windows_openmpt INTERFACE)
target_include_directories(qx_windows_openmpt INTERFACE ${QX_WINDOWS_DEPS}/include)
# Static: LIBOPENMPT_USE_DLL stays undefined. The library's own needs follow it (its .pc file).
target_link_libraries(qx_windows_openmpt INTERFACE ${QX_WINDOWS_OPENMPT} ole32 rpcrt4)
add_library(PkgConfig::OPENMPT ALIAS qx_windows_openmpt)

find_library(QX_WINDOWS_PNG NAMES libpng16.a libpng.a PATHS ${QX_WINDOWS_DEPS}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_library(QX_WINDOWS_ZLIB NAMES libz.a PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(qx_windows_png INTERFACE)
target_include_directories(qx_windows_png INTERFACE ${QX_WINDOWS_DEPS}/include)
target_link_libraries(qx_windows_png INTERFACE ${QX_WINDOWS_PNG} ${QX_WINDOWS_ZLIB})
add_library(PkgConfig::LIBPNG ALIAS qx_windows_png)

# Nothing but Windows' own DLLs, SDL2.dll and the sound module beside the program: the C and C++
# runtimes and the threads library are linked in. Static from the end of the link line on, so that
# the compiler's own -lpthread after it finds no DLL import library either (-static-libstdc++
# would switch back to dynamic before it); only what is used is taken (a whole winpthread would
# bring its own version resource).
add_link_options(-static-libgcc)
set(CMAKE_CXX_STANDARD_LIBRARIES "-Wl,-Bstatic -lstdc++ -lwinpthread")
