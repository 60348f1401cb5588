# Install rules of the programs, their documentation and system files, and
# the Debian package (cpack -G DEB from the build tree). Included at the end
# of the top-level CMakeLists.txt, when every program target exists. The
# directories are those of cmake/Installation.cmake; files that belong to one
# program (catalogues, .desktop entries, icons) are installed next to it.

set(_nuvar_programme NUVARKom nuvarsim nuvardde)
if(TARGET NuvarCfg)
  list(APPEND _nuvar_programme NuvarCfg)
endif()
install(TARGETS ${_nuvar_programme} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Seeds of each user's program directory. Its existence beside bin/ is what
# tells an installed program from a build tree, so it is installed always.
install(FILES contrib/programmverzeichnis/NUVARWin.ini DESTINATION ${NUVAR_INSTALL_VORLAGEN})

install(FILES contrib/udev/99-nuvar.rules DESTINATION ${NUVAR_INSTALL_UDEV})

install(FILES README.md contrib/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME README.nuvarsim.md)
install(FILES kom/fern/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME README.fernsteuerung.md)
install(FILES contrib/udev/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME README.udev.md)
install(FILES "contrib/systemd/nuvar-sequenz@.service" "contrib/systemd/nuvar-sequenz@.timer"
        DESTINATION ${NUVAR_INSTALL_BEISPIELE}/systemd)
install(FILES contrib/systemd/seq0101.seq DESTINATION ${NUVAR_INSTALL_BEISPIELE})

# Manual pages and the changelog, compressed as Debian wants them (gzip -n:
# no name or time stamp, so the same sources give the same bytes).
set(NUVAR_PAKET_VERSION ${PROJECT_VERSION})
set(NUVAR_PAKET_BETREUER "NUVAR-Entwicklung <nuvar@example.org>")
# The changelog's date: that of the commit being built, so that configuring
# again gives the same file; the configure time outside a checkout.
execute_process(COMMAND git log -1 --format=%cD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE NUVAR_PAKET_DATUM OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _nuvar_git ERROR_QUIET)
if(NOT _nuvar_git EQUAL 0 OR NUVAR_PAKET_DATUM STREQUAL "")
  string(TIMESTAMP NUVAR_PAKET_DATUM "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(_nuvar_gz)
function(_nuvar_gzip quelle ziel)
  configure_file(${quelle} ${CMAKE_BINARY_DIR}/paket/${ziel} @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/paket/${ziel}.gz
    COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/paket/${ziel} > ${CMAKE_BINARY_DIR}/paket/${ziel}.gz
    DEPENDS ${CMAKE_BINARY_DIR}/paket/${ziel} VERBATIM)
  set(_nuvar_gz ${_nuvar_gz} ${CMAKE_BINARY_DIR}/paket/${ziel}.gz PARENT_SCOPE)
endfunction()
set(NUVAR_VERSION ${PROJECT_VERSION})
foreach(programm ${_nuvar_programme})
  _nuvar_gzip(doc/man/${programm}.1 ${programm}.1)
  install(FILES ${CMAKE_BINARY_DIR}/paket/${programm}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
_nuvar_gzip(contrib/debian/changelog changelog)
install(FILES ${CMAKE_BINARY_DIR}/paket/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
add_custom_target(nuvar_paketdateien ALL DEPENDS ${_nuvar_gz})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nuvar)
set(CPACK_PACKAGE_VERSION ${NUVAR_PAKET_VERSION})
set(CPACK_PACKAGE_CONTACT ${NUVAR_PAKET_BETREUER})
set(CPACK_PACKAGE_VENDOR "NUVAR-Entwicklung")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weather station logger communication and configuration")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/../contrib/debian/beschreibung.txt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies from dpkg-shlibdeps; what Qt loads at run time (the
# platform plugins: xcb for the desktop, offscreen for unattended runs) it
# cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own texts (buttons of message boxes) in German.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
