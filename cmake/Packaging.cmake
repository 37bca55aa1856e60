# What `cmake --install` puts on the system, and the Debian package built from it.
include(GNUInstallDirs)

set(QUILLET_APP_ID com.example.Quillet)

install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${QUILLET_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${QUILLET_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ui/icons/quillet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${QUILLET_APP_ID}.svg)
foreach(size 16 32 48)
    install(FILES ui/icons/quillet-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${QUILLET_APP_ID}.png)
endforeach()
# Shipped for offices that want the server at login; copied into ~/.config/autostart by hand.
install(FILES packaging/quillet-autostart.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/quillet/autostart)
# The systemd unit, where Debian 12 keeps packaged units; installed but not enabled.
install(FILES packaging/quillet.service DESTINATION /lib/systemd/system)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_CONTACT "Quillet maintainers <quillet@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Time server for networked time-clock stations")
set(CPACK_PACKAGE_DESCRIPTION "Quillet answers every time-clock station that connects to TCP port 10325 \
with this computer's local date and time as twelve digits, then closes the connection.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/quillet/")
# Library dependencies come from the binary; the platform plugins are not linked, so they are
# declared here. The fonts standing in for the ones the windows name are only recommended:
# without them the windows fall back to the default font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-crosextra-caladea, fonts-liberation2, fonts-wine")
include(CPack)
