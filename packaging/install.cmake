# Installing as a desktop application (cmake --install, make install PREFIX=...) and the Debian
# package (make package). Everything the program reads at run time is installed: the help pages;
# the artwork is compiled in.
include(GNUInstallDirs)

set(TEVO_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(TEVO_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tevoriviva)

install(TARGETS tevoriviva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tevoriviva/help)
install(FILES ${TEVO_PACKAGING}/tevoriviva.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TEVO_PACKAGING}/example.tevosoft.tevoriviva.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/tevoriviva-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tevoriviva.png)
endforeach()

# The manual page and the change log are installed compressed, without time stamps, as Debian
# wants them.
set(TEVO_GZIPPED)
foreach(pair "tevoriviva.1|tevoriviva.1.gz" "changelog|changelog.gz")
    string(REPLACE "|" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 target)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${target}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND sh -c "gzip -9nc '${TEVO_PACKAGING}/${source}' > '${CMAKE_BINARY_DIR}/packaging/${target}'"
        DEPENDS ${TEVO_PACKAGING}/${source} VERBATIM)
    list(APPEND TEVO_GZIPPED ${CMAKE_BINARY_DIR}/packaging/${target})
endforeach()
add_custom_target(tevoriviva_docs ALL DEPENDS ${TEVO_GZIPPED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tevoriviva.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${TEVO_PACKAGING}/copyright
        DESTINATION ${TEVO_DOCDIR})
install(FILES ${TEVO_PACKAGING}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tevoriviva)

# The Debian package: its dependencies are the packages of the libraries the program links, as
# dpkg-shlibdeps finds them, and the two named below.
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME tevoriviva)
set(CPACK_PACKAGE_VENDOR tevosoft)
set(CPACK_PACKAGE_CONTACT "tevosoft <soporte@tevosoft.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "address book of persons and companies")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://tevosoft.example/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Spanish texts for the toolkit's own dialogs; the desktop's opener for help, links and
# the exports, without which those commands can only report an error. Sync links Qt Network
# and the secret-store library (found by dpkg-shlibdeps); a running secret store keeps its
# password between sessions, without one it is asked once per session.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, gnome-keyring | kwalletmanager")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the first line; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A single-user address book with a Spanish user interface. It keeps persons\n"
    "and companies in two data files of fixed-size records, always sorted by name,\n"
    "and shows one record at a time. Records are searched while typing, printed,\n"
    "copied to the clipboard or exported as a text list or a web page.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
# The tarball for other distributions unpacks into a folder that serves as a prefix of its own.
include(CPack)
