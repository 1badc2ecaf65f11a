# The libraries of the Windows build: Windows' own GL, GLU and multimedia DLLs, and freeglut,
# libjpeg-turbo and libopenmpt as static libraries cross-built by tools/windows.sh into
# GLIMMERHORN_WINDOWS_PREFIX, under the names the Linux build finds them by.
set(GLIMMERHORN_WINDOWS_PREFIX "" CACHE PATH "the libraries tools/windows.sh cross-built")
if(NOT EXISTS ${GLIMMERHORN_WINDOWS_PREFIX}/lib/libopenmpt.a)
  message(FATAL_ERROR "GLIMMERHORN_WINDOWS_PREFIX does not hold the cross-built libraries: build with tools/windows.sh")
endif()
set(prefix ${GLIMMERHORN_WINDOWS_PREFIX})

add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_libraries(OpenGL::GL INTERFACE opengl32)
add_library(OpenGL::GLU INTERFACE IMPORTED)
target_link_libraries(OpenGL::GLU INTERFACE glu32)

# What drawing code compiles against: Windows' GL headers and freeglut's, declared for the static
# library. freeglut installs GL/glut.h only where it replaces another GLUT, which on Windows it does not.
add_library(glimmerhorn_gl_api INTERFACE)
file(WRITE ${CMAKE_BINARY_DIR}/glut-include/GL/glut.h "#include \"freeglut_std.h\"\n")
target_include_directories(glimmerhorn_gl_api INTERFACE ${prefix}/include ${prefix}/include/GL
  ${CMAKE_BINARY_DIR}/glut-include)
target_compile_definitions(glimmerhorn_gl_api INTERFACE FREEGLUT_STATIC)

add_library(GLUT::GLUT STATIC IMPORTED)
set_target_properties(GLUT::GLUT PROPERTIES IMPORTED_LOCATION ${prefix}/lib/libfreeglut_static.a)
target_link_libraries(GLUT::GLUT INTERFACE glimmerhorn_gl_api glu32 opengl32 gdi32 winmm)

include(packaging/prefix_library.cmake)
glimmerhorn_prefix_library(JPEG::JPEG ${prefix} libjpeg.a)
glimmerhorn_prefix_library(PkgConfig::OPENMPT ${prefix} libopenmpt.a)

# One file: the C and C++ runtimes and the threads library linked in, no symbols kept.
add_link_options(-static -s)
# windows.h would otherwise define min and max as macros over the standard library's.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)
