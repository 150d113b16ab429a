# What `cmake --install` puts under the prefix. The programs' own rules sit beside their targets; the
# manual pages are installed here, gzip-compressed as Debian ships them.
find_program(NOVAWICK_GZIP gzip REQUIRED)

set(novawick_manual_pages novawick.1 html-query.1)
set(novawick_compressed_pages)
foreach(page IN LISTS novawick_manual_pages)
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  # -n leaves the name and time out of the header, so the same page always gives the same bytes.
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/man/${page} ${PROJECT_BINARY_DIR}/man/${page}
    COMMAND ${NOVAWICK_GZIP} -9nf ${PROJECT_BINARY_DIR}/man/${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
    COMMENT "Compressing manual page ${page}"
    VERBATIM)
  list(APPEND novawick_compressed_pages ${compressed})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${novawick_compressed_pages})
install(FILES ${novawick_compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
