# Installation (launcher, program, picture, menu entry, icons, capture program and its manual),
# uninstall, and the Debian package.
include(GNUInstallDirs)

set(GLIMMERHORN_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/glimmerhorn)
set(GLIMMERHORN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/glimmerhorn)

# The program reads gfx.data from its working directory, so the launcher starts it there.
file(RELATIVE_PATH LAUNCHER_TO_DATA /${CMAKE_INSTALL_BINDIR} /${GLIMMERHORN_DATA_DIR})
file(RELATIVE_PATH LAUNCHER_TO_PROGRAM /${CMAKE_INSTALL_BINDIR} /${GLIMMERHORN_PROGRAM_DIR}/glimmerhorn)
configure_file(${CMAKE_CURRENT_LIST_DIR}/glimmerhorn.in ${CMAKE_BINARY_DIR}/launcher/glimmerhorn @ONLY)

install(TARGETS glimmerhorn RUNTIME DESTINATION ${GLIMMERHORN_PROGRAM_DIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/launcher/glimmerhorn DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/assets/gfx.data DESTINATION ${GLIMMERHORN_DATA_DIR} OPTIONAL)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/glimmerhorn.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(GLIMMERHORN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icons "")
foreach(size IN LISTS GLIMMERHORN_ICON_SIZES)
  list(APPEND icons ${CMAKE_BINARY_DIR}/icons/glimmerhorn-${size}.png)
  install(FILES ${CMAKE_BINARY_DIR}/icons/glimmerhorn-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME glimmerhorn.png)
endforeach()
add_custom_command(OUTPUT ${icons}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons
  COMMAND make_icon ${CMAKE_BINARY_DIR}/icons ${GLIMMERHORN_ICON_SIZES}
  DEPENDS make_icon)
add_custom_target(glimmerhorn_icons ALL DEPENDS ${icons})

# The capture program goes on the path as it is: it finds the installed picture from where it lies
# (GLIMMERHORN_CAPTURE_DATA) and writes where it is started. Its manual is gzipped, as Debian keeps them.
install(TARGETS glimmerhorn-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/glimmerhorn-capture.1 ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1.gz
  COMMAND sh -c "gzip -9nc \"$1\" > \"$1.gz\"" sh ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1
  DEPENDS ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1 VERBATIM)
add_custom_target(glimmerhorn_capture_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/man/glimmerhorn-capture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Uninstall removes every file the last install wrote, then the program's own folders when empty.
configure_file(${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake.in ${CMAKE_BINARY_DIR}/uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${CMAKE_BINARY_DIR}/uninstall.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerhorn)
set(CPACK_PACKAGE_VENDOR "Glimmerhorn developers")
set(CPACK_PACKAGE_CONTACT "Glimmerhorn developers <dev@glimmerhorn.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time winter greeting intro with snowflakes, a wave scroller and music")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A full-screen real-time greeting intro.
It asks one question, goes full screen at 800 x 600 and plays its own tracker
tune in a loop while translucent 3D snowflakes fall in front of a winter
picture and red block letters ride a wave across the screen. Esc or q ends it.
glimmerhorn-capture writes the intro with its tune into a video file (.mkv,
.mp4 or .gif), frame by frame and without a display.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# not libraries the programs link: SDL draws its X11 message boxes with the core X fonts, and libEGL and
# libOpenGL load Mesa's EGL, whose surfaceless platform the capture program draws on, and its
# software renderer
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xfonts-base, libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
