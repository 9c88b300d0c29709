# Settings shared by every target of the project (not by the dependencies).
add_library(project_options INTERFACE)
target_compile_definitions(project_options INTERFACE
  UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
  _WIN32_WINNT=0x0A00 WINVER=0x0A00)
target_compile_options(project_options INTERFACE
  -Wall -Wextra $<$<BOOL:${LAUNCHER_WERROR}>:-Werror>)
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR})
# Only system DLLs at run time.
target_link_options(project_options INTERFACE -static -static-libgcc -static-libstdc++)

# Every executable carries an application manifest: the UTF-8 active code page
# keeps narrow paths built from UTF-8 names intact.
function(launcher_embed_manifest target manifest)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc")
  file(WRITE "${rc}.in" "1 24 \"${manifest}\"\n")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${manifest}")
endfunction()

# launcher_add_library(<name> LIBRARIES <targets...>)
# A subsystem library from every .cpp file of the calling folder (an interface
# library while the folder has only headers).
function(launcher_add_library name)
  cmake_parse_arguments(L "" "" "LIBRARIES;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC project_options ${L_LIBRARIES})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE project_options ${L_LIBRARIES})
  endif()
endfunction()
