# Install layout: the GNU directories, and where NUVAR's own files go below
# them. Included before the subdirectories, so that their install() lines can
# use these names (see cmake/Paket.cmake for the rules themselves).
#
#   <prefix>/bin/                           NUVARKom, NuvarCfg, nuvarsim, nuvardde
#   <prefix>/share/nuvar/                   NUVAR_INSTALL_VORLAGEN: shipped files
#                                           copied into each user's program directory
#   <prefix>/share/applications/            NUVAR_INSTALL_ANWENDUNGEN: .desktop entries
#   <prefix>/share/icons/hicolor/<size>/apps/  NUVAR_INSTALL_SYMBOLE: icons
#   <prefix>/share/man/man1/                manual pages
#   <prefix>/share/doc/nuvar/               READMEs, copyright, changelog
#   <prefix>/share/doc/nuvar/examples/      NUVAR_INSTALL_BEISPIELE: systemd units,
#                                           a sequence file
#   <prefix>/lib/udev/rules.d/              NUVAR_INSTALL_UDEV: udev rules
include(GNUInstallDirs)
# GNUInstallDirs takes the project's name for the documentation; Debian wants
# the package's (an explicit -DCMAKE_INSTALL_DOCDIR stays as given).
if(CMAKE_INSTALL_DOCDIR STREQUAL "${CMAKE_INSTALL_DATAROOTDIR}/doc/${PROJECT_NAME}")
  set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/nuvar)
endif()

set(NUVAR_INSTALL_VORLAGEN ${CMAKE_INSTALL_DATADIR}/nuvar)
set(NUVAR_INSTALL_ANWENDUNGEN ${CMAKE_INSTALL_DATADIR}/applications)
set(NUVAR_INSTALL_SYMBOLE ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
set(NUVAR_INSTALL_BEISPIELE ${CMAKE_INSTALL_DOCDIR}/examples)
# Not below LIBDIR: that is multiarch on Debian. udev reads /usr/lib/udev/rules.d
# (the package's prefix) and /etc/udev/rules.d, not /usr/local: after an install
# to another prefix the rules are copied to /etc/udev/rules.d (contrib/udev/README.md).
set(NUVAR_INSTALL_UDEV lib/udev/rules.d CACHE PATH "udev rules directory, relative to the prefix")

# An installed program finds the shipped files relative to its own directory
# (common/ProgrammVerzeichnis), so the tree works wherever it is unpacked.
file(RELATIVE_PATH NUVAR_VORLAGEN_RELATIV ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/nuvar)

# Directories the install creates get the usual modes whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
