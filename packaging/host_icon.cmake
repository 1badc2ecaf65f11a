# The icon of a cross-built release, painted by tools/make_icon, which runs here and so is built with
# the machine's own compiler: glimmerhorn_host_icon(OUTPUTS file... ARGS make_icon's arguments...).
find_program(GLIMMERHORN_HOST_CXX NAMES c++ g++ REQUIRED)
function(glimmerhorn_host_icon)
  cmake_parse_arguments(PARSE_ARGV 0 icon "" "" "OUTPUTS;ARGS")
  set(folder ${CMAKE_BINARY_DIR}/icons)
  add_custom_command(OUTPUT ${icon_OUTPUTS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${GLIMMERHORN_HOST_CXX} -std=c++17 -O2 -I${CMAKE_SOURCE_DIR}/assets
      ${CMAKE_SOURCE_DIR}/tools/make_icon.cpp ${CMAKE_SOURCE_DIR}/assets/ornament_mesh.cpp -o ${folder}/make_icon
    COMMAND ${folder}/make_icon ${icon_ARGS}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_icon.cpp ${CMAKE_SOURCE_DIR}/assets/ornament_mesh.cpp
      ${CMAKE_SOURCE_DIR}/assets/assets.h
    VERBATIM)
endfunction()
