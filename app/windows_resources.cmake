# The Windows program's icon (for Explorer, the Start menu and its windows) and version, as
# resources of the .exe. The icon is drawn from the same picture as the desktop's.
find_program(SAA_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(SAA_ICOTOOL icotool REQUIRED)
set(SAA_WINDOWS_ICON ${CMAKE_CURRENT_BINARY_DIR}/saa1057-panel.ico)
set(icon_pictures)
set(draw_commands)
foreach(size 16 32 48 64)
  set(picture ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
  list(APPEND draw_commands COMMAND ${SAA_RSVG_CONVERT} -w ${size} -h ${size}
       ${CMAKE_CURRENT_SOURCE_DIR}/saa1057-panel.svg -o ${picture})
  list(APPEND icon_pictures ${picture})
endforeach()
add_custom_command(OUTPUT ${SAA_WINDOWS_ICON} ${draw_commands}
  COMMAND ${SAA_ICOTOOL} -c -o ${SAA_WINDOWS_ICON} ${icon_pictures}
  DEPENDS saa1057-panel.svg VERBATIM)
configure_file(saa1057-panel.rc.in saa1057-panel.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/saa1057-panel.rc PROPERTIES
  OBJECT_DEPENDS ${SAA_WINDOWS_ICON})
target_sources(saa1057-panel PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/saa1057-panel.rc)
# A window program: no console window opens when it is started from the Start menu. The
# installer shows the same icon.
set_target_properties(saa1057-panel PROPERTIES WIN32_EXECUTABLE ON SAA_ICON ${SAA_WINDOWS_ICON})
