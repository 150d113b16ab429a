# What `cmake --install` puts under the prefix and how CPack makes the Debian package of it. The programs'
# own rules sit beside their targets; the manual pages are installed here, gzip-compressed as Debian
# ships them. The package's library dependencies come from dpkg-shlibdeps, never from a hand-kept list.
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

if(NOVAWICK_SITE_HOST MATCHES "(^|\\.)invalid$")
  set(novawick_site_line "This build has no site host: it was built without -DNOVAWICK_SITE_HOST.")
else()
  set(novawick_site_line "This build reads the novel site at ${NOVAWICK_SITE_HOST}.")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME novawick)
set(CPACK_PACKAGE_VENDOR "Novawick developers")
set(CPACK_PACKAGE_CONTACT "Novawick developers <developers@novawick.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save a web novel from a Chinese web-novel site as an EPUB 3 file")
# Control-file lines are kept under 80 columns by hand; CPack does not wrap them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Novawick is an interactive command-line program: it searches a web-novel"
  "site, lists the hits, downloads the chosen book's chapter list and every"
  "chapter page, and saves the book as one EPUB 3 file."
  "${novawick_site_line}"
  ""
  "The package also holds html-query, which prints what a CSS query selects"
  "in an HTML file.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
