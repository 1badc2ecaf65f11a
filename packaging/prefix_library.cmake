# A static library that tools/web.sh or tools/windows.sh built into PREFIX, imported as target NAME:
# PREFIX/lib/FILE, with the headers of PREFIX/include.
function(glimmerhorn_prefix_library name prefix file)
  add_library(${name} STATIC IMPORTED)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${prefix}/lib/${file})
  target_include_directories(${name} INTERFACE ${prefix}/include)
endfunction()
