# The program icon, resource 107 of type ICON: packed at build time from
# images/emblem.svg in sizes 16 to 256 by make_icon.py.
# launcher_embed_icon(<target>)
include(${CMAKE_CURRENT_LIST_DIR}/embed_resource.cmake)
function(launcher_embed_icon target)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(source "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  set(icon "${CMAKE_CURRENT_BINARY_DIR}/${target}.ico")
  add_custom_command(OUTPUT "${icon}"
    COMMAND "${Python3_EXECUTABLE}" "${source}/make_icon.py" "${source}/images/emblem.svg" "${icon}"
    DEPENDS "${source}/images/emblem.svg" "${source}/make_icon.py"
    COMMENT "Packing the icon for ${target}"
    VERBATIM)
  launcher_embed_resource_script(${target} icon "107 ICON \"${icon}\"\n" "${icon}")
endfunction()
