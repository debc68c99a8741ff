# Install rules: the programs in bin, their files in share/q4t-programmer
# (the default table, the help manual in help/, the translations in
# translations/), the manual pages compressed. In the build folder the same
# files lie beside the programs, so both trees are found the same way.
install(TARGETS q4t q4t-keyboard-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES DefTable.q4t DESTINATION ${Q4T_INSTALL_DATADIR})

# Compressed here rather than by the packaging, so that every install has them
# so; -n leaves the time out, and the same page gives the same bytes.
function(q4t_man_page source)
  get_filename_component(name ${source} NAME)
  set(compressed ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${CMAKE_BINARY_DIR}/man/${name}
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/${name}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

q4t_man_page(cli/q4t.1)
q4t_man_page(sim/q4t-keyboard-sim.1)

if(Q4T_GUI)
  install(TARGETS q4t-programmer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  q4t_man_page(app/q4t-programmer.1)
  install(FILES ${Q4T_QM_FILES} DESTINATION ${Q4T_INSTALL_DATADIR}/translations)
  include(cmake/Desktop.cmake)
endif()
