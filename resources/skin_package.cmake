# The skin package: this folder's language files and themes and the images
# rendered from images/ with rsvg-convert, zipped at build time and carried by
# an executable as resource 129 of type "RESOURCES". The rendered images are
# kept in one folder of the build, shared by every package.
# launcher_embed_skin_package(<target>)
include(${CMAKE_CURRENT_LIST_DIR}/embed_resource.cmake)
function(launcher_embed_skin_package target)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(source "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  set(package "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.zip")
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS
    "${source}/lang/*" "${source}/themes/*" "${source}/images/*")
  add_custom_command(OUTPUT "${package}"
    COMMAND "${Python3_EXECUTABLE}" "${source}/make_skin_package.py"
            "${source}" "${package}" "${CMAKE_BINARY_DIR}/skin_images"
    DEPENDS ${inputs} "${source}/make_skin_package.py"
    COMMENT "Packing the skin for ${target}"
    VERBATIM)
  launcher_embed_resource_script(${target} skin "129 RESOURCES \"${package}\"\n" "${package}")
endfunction()
