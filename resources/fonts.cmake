# The four fonts launcher.exe carries as resources of type "FONTS" and installs
# at start-up, taken from Debian's font packages at build time (fonts-tlwg-loma-ttf
# for the Thai faces, fonts-droid-fallback for the CJK sans face).
# launcher_embed_fonts(<target>)
function(launcher_embed_fonts target)
  set(loma /usr/share/fonts/truetype/tlwg/Loma.ttf)
  set(loma_bold /usr/share/fonts/truetype/tlwg/Loma-Bold.ttf)
  set(cjk /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf)
  foreach(font ${loma} ${loma_bold} ${cjk})
    if(NOT EXISTS ${font})
      message(FATAL_ERROR "${font} is missing: run scripts/install-packages.sh")
    endif()
  endforeach()
  # The CJK face serves as both the regular and the bold font.
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_fonts.rc")
  file(WRITE "${rc}.in"
    "138 FONTS \"${loma}\"\n139 FONTS \"${loma_bold}\"\n142 FONTS \"${cjk}\"\n143 FONTS \"${cjk}\"\n")
  configure_file("${rc}.in" "${rc}" COPYONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
