# What `cmake --install` puts on the system, and the Debian package built from it.
include(GNUInstallDirs)

set(QUILLET_APP_ID com.example.Quillet)
set(QUILLET_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)

# Files that carry the version are configured from the project's; the manual page and the
# change log are shipped gzipped, as Debian policy asks.
configure_file(packaging/${QUILLET_APP_ID}.metainfo.xml.in ${QUILLET_PACKAGING_DIR}/${QUILLET_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/quillet.1.in ${QUILLET_PACKAGING_DIR}/quillet.1 @ONLY)
configure_file(packaging/changelog.Debian ${QUILLET_PACKAGING_DIR}/changelog.Debian COPYONLY)
set(quillet_gzipped_docs ${QUILLET_PACKAGING_DIR}/quillet.1.gz ${QUILLET_PACKAGING_DIR}/changelog.Debian.gz)
foreach(gzipped ${quillet_gzipped_docs})
    string(REGEX REPLACE "\\.gz$" "" plain ${gzipped})
    add_custom_command(OUTPUT ${gzipped} COMMAND gzip -9nkf ${plain} DEPENDS ${plain} VERBATIM)
endforeach()
add_custom_target(package_docs ALL DEPENDS ${quillet_gzipped_docs})

install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) also drops the compilers' version notes, as Debian's own do.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillet\" COMMAND_ERROR_IS_FATAL ANY)
endif()")
install(FILES packaging/${QUILLET_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUILLET_PACKAGING_DIR}/${QUILLET_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ui/icons/quillet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${QUILLET_APP_ID}.svg)
foreach(size 16 32 48)
    install(FILES ui/icons/quillet-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${QUILLET_APP_ID}.png)
endforeach()
# Shipped for offices that want the server at login; copied into ~/.config/autostart by hand.
install(FILES packaging/quillet-autostart.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/quillet/autostart)
install(FILES ${QUILLET_PACKAGING_DIR}/quillet.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${QUILLET_PACKAGING_DIR}/changelog.Debian.gz ${QUILLET_TUTORIAL_FILES}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillet)
# The tutorial is registered with doc-base, so documentation browsers list it.
install(FILES packaging/quillet-tutorial.doc-base DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base
    RENAME quillet.quillet-tutorial)
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quillet)
# The systemd unit, where Debian 12 keeps packaged units; installed but not enabled.
install(FILES packaging/quillet.service DESTINATION /lib/systemd/system)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_CONTACT "Quillet maintainers <quillet@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Time server for networked time-clock stations")
# The extended description, under the summary line CPack puts first; each line within 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillet answers every time-clock station that connects to TCP port 10325
with this computer's local date and time as twelve digits, then closes
the connection. It runs as a desktop program with a window and a tray
icon, or headless as a systemd service (installed, not enabled).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision of this packaging of the version; the change log's first entry names both.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/quillet/")
# Library dependencies come from the binary; the platform plugins are not linked, so they are
# declared here. The fonts standing in for the ones the windows name are only recommended:
# without them the windows fall back to the default font. Without qt6-wayland the program runs
# on a Wayland desktop through its X server (Xwayland).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-crosextra-caladea, fonts-liberation2, fonts-wine, qt6-wayland")
include(CPack)
