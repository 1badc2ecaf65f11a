# The libraries of the browser build: libjpeg-turbo and libopenmpt built for WebAssembly by
# tools/web.sh into GLIMMERHORN_WASM_PREFIX, under the names the Linux build finds them by; the GL
# headers are emscripten's own, GLUT's the subset the web platform layer implements.
set(GLIMMERHORN_WASM_PREFIX "" CACHE PATH "the libraries tools/web.sh built for WebAssembly")
if(NOT EXISTS ${GLIMMERHORN_WASM_PREFIX}/lib/libopenmpt.a)
  message(FATAL_ERROR "GLIMMERHORN_WASM_PREFIX does not hold the wasm libraries: build with tools/web.sh")
endif()
set(prefix ${GLIMMERHORN_WASM_PREFIX})

add_library(glimmerhorn_gl_api INTERFACE)
target_include_directories(glimmerhorn_gl_api INTERFACE ${CMAKE_SOURCE_DIR}/platform/web)

include(packaging/prefix_library.cmake)
glimmerhorn_prefix_library(JPEG::JPEG ${prefix} libjpeg.a)
glimmerhorn_prefix_library(PkgConfig::OPENMPT ${prefix} libopenmpt.a)
