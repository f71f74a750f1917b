# The manual pages and the package's changelog, compressed the way Debian installs them
# (gzip -9 without a name or time stamp, so that two builds give the same bytes).

find_program(KW_GZIP gzip REQUIRED)

set(pages)
foreach(page tarvik korvane testsystem-sim)
    set(copy ${CMAKE_BINARY_DIR}/man/${page}.1)
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/man/${page}.1 ${copy}
        COMMAND ${KW_GZIP} -9nf ${copy}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.1
        VERBATIM)
    list(APPEND pages ${copy}.gz)
endforeach()

# One entry for the version being built, dated (SOURCE_DATE_EPOCH when set) at configuration.
string(TIMESTAMP KW_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/cmake/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
    COMMAND ${KW_GZIP} -9nkf ${CMAKE_BINARY_DIR}/doc/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog
    VERBATIM)

add_custom_target(documents ALL DEPENDS ${pages} ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kontrollwerk)
