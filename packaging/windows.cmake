# The Windows release: the program's resources (icon, manifest, version), then in the build folder
# glimmerhorn-<version>-win64.zip (the program, the picture, README.txt and the licences of what it
# carries) and the 64-bit installer glimmerhorn-<version>-win64-setup.exe, both made by the target
# glimmerhorn_release.
set(release_name glimmerhorn-${PROJECT_VERSION}-win64)
set(stage ${CMAKE_BINARY_DIR}/${release_name})

# The icon, all its sizes in one Windows icon file.
include(${CMAKE_CURRENT_LIST_DIR}/host_icon.cmake)
set(GLIMMERHORN_ICON ${CMAKE_BINARY_DIR}/icons/glimmerhorn.ico)
glimmerhorn_host_icon(OUTPUTS ${GLIMMERHORN_ICON} ARGS ${GLIMMERHORN_ICON} 16 20 24 32 40 48 64 256)

set(GLIMMERHORN_MANIFEST ${CMAKE_BINARY_DIR}/glimmerhorn.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/glimmerhorn.manifest.in ${GLIMMERHORN_MANIFEST} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/glimmerhorn.rc.in ${CMAKE_BINARY_DIR}/glimmerhorn.rc @ONLY)
target_sources(glimmerhorn PRIVATE ${CMAKE_BINARY_DIR}/glimmerhorn.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/glimmerhorn.rc PROPERTIES
  OBJECT_DEPENDS "${GLIMMERHORN_ICON};${GLIMMERHORN_MANIFEST}")

# What the release holds; the licences come with the libraries (tools/windows.sh gathers them).
file(GLOB licences RELATIVE ${GLIMMERHORN_WINDOWS_PREFIX}/licenses ${GLIMMERHORN_WINDOWS_PREFIX}/licenses/*)
list(SORT licences)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README-windows.txt ${CMAKE_BINARY_DIR}/README.txt NEWLINE_STYLE CRLF)
set(install_files "")
set(uninstall_files "")
foreach(licence IN LISTS licences)
  string(APPEND install_files "  File \"${stage}/licenses/${licence}\"\n")
  string(APPEND uninstall_files "  Delete \"$INSTDIR\\licenses\\${licence}\"\n")
endforeach()
set(GLIMMERHORN_STAGE ${stage})
set(GLIMMERHORN_SETUP ${CMAKE_BINARY_DIR}/${release_name}-setup.exe)
set(GLIMMERHORN_LICENCE_FILES "${install_files}")
set(GLIMMERHORN_LICENCE_DELETES "${uninstall_files}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/glimmerhorn.nsi.in ${CMAKE_BINARY_DIR}/glimmerhorn.nsi @ONLY)

find_program(GLIMMERHORN_MAKENSIS makensis REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${release_name}.zip ${GLIMMERHORN_SETUP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:glimmerhorn> ${CMAKE_SOURCE_DIR}/assets/gfx.data
    ${CMAKE_BINARY_DIR}/README.txt ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${GLIMMERHORN_WINDOWS_PREFIX}/licenses ${stage}/licenses
  COMMAND ${CMAKE_COMMAND} -E rm -f ${release_name}.zip
  COMMAND ${CMAKE_COMMAND} -E tar cf ${release_name}.zip --format=zip ${release_name}
  COMMAND ${GLIMMERHORN_MAKENSIS} -V2 ${CMAKE_BINARY_DIR}/glimmerhorn.nsi
  DEPENDS glimmerhorn ${CMAKE_SOURCE_DIR}/assets/gfx.data ${CMAKE_BINARY_DIR}/README.txt
    ${CMAKE_BINARY_DIR}/glimmerhorn.nsi ${GLIMMERHORN_ICON}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
add_custom_target(glimmerhorn_release ALL DEPENDS ${CMAKE_BINARY_DIR}/${release_name}.zip ${GLIMMERHORN_SETUP})
