# qorva_windows_resources(TARGET DESCRIPTION): on Windows, the program gets the version
# resource (the About window's values) and the program icon. Elsewhere it does nothing.
# The icon, resources/windows/program-icon.ico, is made from resources/pictures/program-icon.svg:
#   for s in 16 24 32 48 64 256; do rsvg-convert -w $s -h $s program-icon.svg -o i$s.png; done
#   icotool -c -o program-icon.ico i16.png i24.png i32.png i48.png i64.png -r i256.png
function(qorva_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(QORVA_RC_NAME ${target})
  set(QORVA_RC_DESCRIPTION ${description})
  set(QORVA_RC_ICON ${PROJECT_SOURCE_DIR}/resources/windows/program-icon.ico)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
