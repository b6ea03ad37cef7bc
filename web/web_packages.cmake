# The browser build's packages: SDL2 and libopenmpt as web/build_deps.sh built them for
# emscripten from Debian's source packages, under the names the native build's pkg-config finds
# them by; and the native build whose generated data the browser build takes.
set(QX_WEB_DEPS "" CACHE PATH "prefix of SDL2 and libopenmpt built for emscripten (web/build_deps.sh)")
set(QX_NATIVE_BUILD "" CACHE PATH "native build folder holding the archive and the object image")
foreach(required QX_WEB_DEPS QX_NATIVE_BUILD)
  if(NOT IS_DIRECTORY "${${required}}")
    message(FATAL_ERROR "the browser build needs ${required}: build it with ./web.sh build")
  endif()
endforeach()

add_library(qx_web_sdl2 INTERFACE)
target_include_directories(qx_web_sdl2 INTERFACE ${QX_WEB_DEPS}/include/SDL2)
target_link_libraries(qx_web_sdl2 INTERFACE ${QX_WEB_DEPS}/lib/libSDL2.a)
add_library(PkgConfig::SDL2 ALIAS qx_web_sdl2)

add_library(qx_web_openmpt INTERFACE)
target_include_directories(qx_web_openmpt INTERFACE ${QX_WEB_DEPS}/include)
target_link_libraries(qx_web_openmpt INTERFACE ${QX_WEB_DEPS}/lib/libopenmpt.a)
add_library(PkgConfig::OPENMPT ALIAS qx_web_openmpt)

# The pixel helpers' SSE2 paths, as WebAssembly SIMD.
add_compile_options(-msimd128 -msse2)
