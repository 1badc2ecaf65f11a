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

add_library(JPEG::JPEG STATIC IMPORTED)
set_target_properties(JPEG::JPEG PROPERTIES IMPORTED_LOCATION ${prefix}/lib/libjpeg.a)
target_include_directories(JPEG::JPEG INTERFACE ${prefix}/include)

add_library(PkgConfig::OPENMPT STATIC IMPORTED)
set_target_properties(PkgConfig::OPENMPT PROPERTIES IMPORTED_LOCATION ${prefix}/lib/libopenmpt.a)
target_include_directories(PkgConfig::OPENMPT INTERFACE ${prefix}/include)
