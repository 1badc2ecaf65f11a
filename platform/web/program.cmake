# The browser release. The program's link (Asyncify turns the blocking waits, the boxes' answers, the
# frame timer and the sound's start, into returns to the page), then in the build folder:
#   site/                       index.html, glimmerhorn.js, glimmerhorn.wasm, gfx.data and the licences
#                               of what the program carries: a folder any static web server serves
#   glimmerhorn.html            one page holding script, program and picture, to play from file://
#   glimmerhorn-<version>-web.zip   the site in a folder of that name
#   trace/                      the site of the traced build, whose GL layer logs every call
# all made by the target glimmerhorn_release (part of the default build).
set(web ${CMAKE_CURRENT_LIST_DIR})
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The program is a factory, Glimmerhorn(settings): the page (greeting.js, after it) makes one instance
# for each run of the intro, since a run ends the runtime with it, and one that runs no intro and
# folds the composer's texts for as long as the page is open.
function(glimmerhorn_web_program target gl_layer folder)
  add_executable(${target} app/main_web.cpp)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME glimmerhorn RUNTIME_OUTPUT_DIRECTORY ${folder}
    LINK_DEPENDS "${web}/library.js;${web}/page.js;${web}/greeting.js")
  target_link_libraries(${target} PRIVATE ${GLIMMERHORN_INTRO_LAYERS} glimmerhorn_greeting glimmerhorn_platform_web
    ${gl_layer} glimmerhorn_warnings)
  target_include_directories(${target} PRIVATE ${web}) # web_page.h, for the entry's calls to the page
  target_link_options(${target} PRIVATE
    "SHELL:--js-library ${web}/library.js" "SHELL:--pre-js ${web}/page.js"
    "SHELL:--extern-post-js ${web}/greeting.js" -sMODULARIZE=1 -sEXPORT_NAME=Glimmerhorn
    "-sEXPORTED_FUNCTIONS=['_main','_malloc','_free']"
    -sASYNCIFY "-sASYNCIFY_IMPORTS=['web_box_show','web_sleep_until','web_wait_frame','web_wait_visible','web_audio_open']"
    # libopenmpt never calls back into the program (its log and error functions are its own silent
    # ones), so none of it is on a waiting stack: left out of Asyncify's instrumenting, the program is
    # 1.30 MB instead of 1.78. libjpeg-turbo stays in: its error handlers show boxes from inside it.
    "-sASYNCIFY_REMOVE=['*OpenMPT*','*openmpt*','*mpt::*']"
    -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sDYNAMIC_EXECUTION=0 -sMINIFY_HTML=0 -sENVIRONMENT=web
    -sEXPORTED_RUNTIME_METHODS=['FS','UTF8ToString'] -Os)
endfunction()
glimmerhorn_web_program(glimmerhorn glimmerhorn_gl_web ${CMAKE_BINARY_DIR}/program)
glimmerhorn_web_program(glimmerhorn_trace glimmerhorn_gl_web_trace ${CMAKE_BINARY_DIR}/trace)

# The favicon, our snowflake.
include(${CMAKE_SOURCE_DIR}/packaging/host_icon.cmake)
set(icon ${CMAKE_BINARY_DIR}/icons/glimmerhorn-48.png)
glimmerhorn_host_icon(OUTPUTS ${icon} ARGS ${CMAKE_BINARY_DIR}/icons 48)

set(make_page ${Python3_EXECUTABLE} ${web}/make_page.py ${web}/page.html)
set(page_depends ${web}/make_page.py ${web}/page.html ${CMAKE_SOURCE_DIR}/platform/platform.h ${icon} ${CMAKE_SOURCE_DIR}/assets/gfx.data)
set(program ${CMAKE_BINARY_DIR}/program)
set(site ${CMAKE_BINARY_DIR}/site)
set(release_name glimmerhorn-${PROJECT_VERSION}-web)
set(zip ${CMAKE_BINARY_DIR}/${release_name}.zip)
set(single ${CMAKE_BINARY_DIR}/glimmerhorn.html)
file(GLOB licenses ${GLIMMERHORN_WASM_PREFIX}/licenses/*)

add_custom_command(OUTPUT ${site}/index.html ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${site} ${CMAKE_BINARY_DIR}/${release_name}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${site}/licenses
  COMMAND ${make_page} ${site}/index.html --script glimmerhorn.js --program ${program}/glimmerhorn.js --icon ${icon}
  COMMAND ${CMAKE_COMMAND} -E copy ${program}/glimmerhorn.js ${program}/glimmerhorn.wasm
    ${CMAKE_SOURCE_DIR}/assets/gfx.data ${site}
  COMMAND ${CMAKE_COMMAND} -E copy ${licenses} ${site}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${site} ${CMAKE_BINARY_DIR}/${release_name}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${release_name}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/${release_name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS glimmerhorn ${page_depends} ${licenses}
  VERBATIM)
add_custom_command(OUTPUT ${single}
  COMMAND ${make_page} ${single} --inline ${program}/glimmerhorn.js --wasm ${program}/glimmerhorn.wasm
    --data ${CMAKE_SOURCE_DIR}/assets/gfx.data --icon ${icon}
  DEPENDS glimmerhorn ${page_depends}
  VERBATIM)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/trace/index.html
  COMMAND ${make_page} ${CMAKE_BINARY_DIR}/trace/index.html --script glimmerhorn.js
    --program ${CMAKE_BINARY_DIR}/trace/glimmerhorn.js --icon ${icon}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/assets/gfx.data ${CMAKE_BINARY_DIR}/trace
  DEPENDS glimmerhorn_trace ${page_depends}
  VERBATIM)
add_custom_target(glimmerhorn_release ALL DEPENDS ${site}/index.html ${zip} ${single} ${CMAKE_BINARY_DIR}/trace/index.html)
