# The skin package: this folder's language files and themes, zipped at build
# time and carried by an executable as resource 129 of type "RESOURCES".
set(LAUNCHER_SKIN_SOURCE "${CMAKE_CURRENT_LIST_DIR}")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# launcher_embed_skin_package(<target>)
function(launcher_embed_skin_package target)
  set(package "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.zip")
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS
    "${LAUNCHER_SKIN_SOURCE}/lang/*" "${LAUNCHER_SKIN_SOURCE}/themes/*")
  add_custom_command(OUTPUT "${package}"
    COMMAND Python3::Interpreter "${LAUNCHER_SKIN_SOURCE}/make_skin_package.py"
            "${LAUNCHER_SKIN_SOURCE}" "${package}"
    DEPENDS ${inputs} "${LAUNCHER_SKIN_SOURCE}/make_skin_package.py"
    COMMENT "Packing the skin for ${target}"
    VERBATIM)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_skin.rc")
  file(WRITE "${rc}.in" "129 RESOURCES \"${package}\"\n")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}" "${package}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${package}")
endfunction()
