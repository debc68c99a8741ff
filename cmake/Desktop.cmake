# The desktop program's place on the desktop: its menu entry, its icon (drawn
# as SVG, made into PNGs here, which the windows use too), the key table file
# type and the software centre's description.
set(Q4T_APP_ID org.q4t.programmer)
set(Q4T_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/desktop)
set(Q4T_ICON_SVG ${Q4T_DESKTOP_DIR}/${Q4T_APP_ID}.svg)
find_program(Q4T_RSVG_CONVERT rsvg-convert REQUIRED)

set(Q4T_ICON_PNGS)
foreach(size 16 32 48 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${Q4T_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${Q4T_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${Q4T_ICON_SVG}
    DEPENDS ${Q4T_ICON_SVG}
    VERBATIM)
  list(APPEND Q4T_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
qt_add_resources(q4t_gui q4t_icons PREFIX /icons BASE ${CMAKE_BINARY_DIR}/icons FILES ${Q4T_ICON_PNGS})

install(FILES ${Q4T_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${Q4T_DESKTOP_DIR}/${Q4T_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${Q4T_DESKTOP_DIR}/${Q4T_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${Q4T_DESKTOP_DIR}/q4t-programmer.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
