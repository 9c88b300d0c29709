# The four fonts launcher.exe carries as resources of type "FONTS" and installs
# at start-up, taken from Debian's font packages at build time: the Thai faces
# of fonts-tlwg-loma-ttf as they are, and the Traditional Chinese sans face of
# fonts-noto-cjk, cut out of its regular and bold collections with fonttools.
# launcher_embed_fonts(<target>)
include(${CMAKE_CURRENT_LIST_DIR}/embed_resource.cmake)
function(launcher_embed_fonts target)
  set(loma /usr/share/fonts/truetype/tlwg/Loma.ttf)
  set(loma_bold /usr/share/fonts/truetype/tlwg/Loma-Bold.ttf)
  set(cjk_regular /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc)
  set(cjk_bold /usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc)
  foreach(font ${loma} ${loma_bold} ${cjk_regular} ${cjk_bold})
    if(NOT EXISTS ${font})
      message(FATAL_ERROR "${font} is missing: run scripts/install-packages.sh")
    endif()
  endforeach()
  # Debian's own interpreter, which python3-fonttools installs into.
  find_program(LAUNCHER_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  execute_process(COMMAND ${LAUNCHER_DEBIAN_PYTHON} -c "import fontTools"
                  RESULT_VARIABLE no_fonttools OUTPUT_QUIET ERROR_QUIET)
  if(no_fonttools)
    message(FATAL_ERROR "fonttools is missing: run scripts/install-packages.sh")
  endif()
  set(folder "${CMAKE_CURRENT_BINARY_DIR}/${target}_fonts")
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/extract_font.py")
  # Sets `regular` and `bold` to the faces cut out.
  foreach(weight Regular Bold)
    string(TOLOWER ${weight} face)
    set(${face} "${folder}/SourceHanSansCN${weight}.ttf")
    add_custom_command(OUTPUT "${${face}}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
      COMMAND ${LAUNCHER_DEBIAN_PYTHON} "${script}" "${cjk_${face}}" "Noto Sans CJK TC" ${weight} "${${face}}"
      DEPENDS "${cjk_${face}}" "${script}"
      COMMENT "Extracting the ${face} CJK font for ${target}"
      VERBATIM)
  endforeach()
  launcher_embed_resource_script(${target} fonts
    "138 FONTS \"${loma}\"\n139 FONTS \"${loma_bold}\"\n142 FONTS \"${bold}\"\n143 FONTS \"${regular}\"\n"
    "${regular}" "${bold}")
endfunction()
