# The browser build's program: the page script linked in, the blocking waits (the boxes' answers, the
# frame timer, the sound's start) turned into returns to the page by Asyncify, the picture beside it.
set(web ${CMAKE_SOURCE_DIR}/platform/web)
target_link_options(glimmerhorn PRIVATE
  "SHELL:--js-library ${web}/library.js" "SHELL:--pre-js ${web}/page.js"
  -sASYNCIFY "-sASYNCIFY_IMPORTS=['web_box_show','web_sleep_until','web_wait_visible','web_audio_open']"
  -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sDYNAMIC_EXECUTION=0 -sMINIFY_HTML=0 -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=['FS'] -Os)
set_target_properties(glimmerhorn PROPERTIES LINK_DEPENDS "${web}/library.js;${web}/page.js")
configure_file(${CMAKE_SOURCE_DIR}/assets/gfx.data ${CMAKE_BINARY_DIR}/gfx.data COPYONLY)
