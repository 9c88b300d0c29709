# The program icon, resource 107 of type ICON: packed at build time from
# images/emblem.svg in sizes 16 to 256 by make_icon.py.
# launcher_embed_icon(<target>)
function(launcher_embed_icon target)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(source "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  set(icon "${CMAKE_CURRENT_BINARY_DIR}/${target}.ico")
  add_custom_command(OUTPUT "${icon}"
    COMMAND "${Python3_EXECUTABLE}" "${source}/make_icon.py" "${source}/images/emblem.svg" "${icon}"
    DEPENDS "${source}/images/emblem.svg" "${source}/make_icon.py"
    COMMENT "Packing the icon for ${target}"
    VERBATIM)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_icon.rc")
  file(WRITE "${rc}.in" "107 ICON \"${icon}\"\n")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}" "${icon}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${icon}")
endfunction()
