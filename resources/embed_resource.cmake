# Carries files in an executable through a resource script of its own: `lines`
# are the script ("<id> <type> \"<file>\"" a line), written as
# <target>_<name>.rc and compiled again whenever one of `files` changes.
# launcher_embed_resource_script(<target> <name> <lines> <files...>)
include_guard(GLOBAL)
function(launcher_embed_resource_script target name lines)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}.rc")
  file(WRITE "${rc}.in" "${lines}")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}" ${ARGN})
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${ARGN}")
endfunction()
