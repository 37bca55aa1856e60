# The program folder of the Windows build: `cmake --install <build> --prefix <folder>` puts
# Quillet.exe there with every DLL it loads beside it, Qt's plugins in their folders and the
# tutorial in doc/, so the folder runs as it stands, copied anywhere.
install(TARGETS quillet RUNTIME DESTINATION .)
install(FILES ${QUILLET_TUTORIAL_FILES} DESTINATION doc)

# Qt's DLLs and plugins, from the prefix the Qt packages were found in.
get_filename_component(QUILLET_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
foreach(module Core Gui Widgets Network)
    install(FILES ${QUILLET_QT_PREFIX}/bin/Qt6${module}.dll DESTINATION .)
endforeach()
install(FILES ${QUILLET_QT_PREFIX}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(DIRECTORY ${QUILLET_QT_PREFIX}/plugins/styles ${QUILLET_QT_PREFIX}/plugins/tls DESTINATION .
    FILES_MATCHING PATTERN "*.dll")

# The compiler's runtime (cmake/WindowsRuntime.cmake).
install(FILES ${QUILLET_WINDOWS_RUNTIME_DLLS} DESTINATION .)

# The installer of that folder, build-windows/quillet-<version>-setup.exe, once the folder is
# installed: cmake --build <build> --target windows_installer (make windows runs it).
find_program(QUILLET_MAKENSIS makensis)
if(QUILLET_MAKENSIS)
    set(QUILLET_PROGRAM_FOLDER ${CMAKE_BINARY_DIR}/Quillet)
    set(QUILLET_INSTALLER ${CMAKE_BINARY_DIR}/quillet-${PROJECT_VERSION}-setup.exe)
    # Made again only when the program, the tutorial or the installer's script changed.
    add_custom_command(OUTPUT ${QUILLET_INSTALLER}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${QUILLET_PROGRAM_FOLDER}
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${QUILLET_PROGRAM_FOLDER}
        COMMAND ${QUILLET_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DPROGRAM_DIR=${QUILLET_PROGRAM_FOLDER}
            -DOUTFILE=${QUILLET_INSTALLER} ${CMAKE_SOURCE_DIR}/packaging/windows/quillet.nsi
        DEPENDS quillet ${CMAKE_SOURCE_DIR}/packaging/windows/quillet.nsi ${QUILLET_TUTORIAL_FILES}
        VERBATIM)
    add_custom_target(windows_installer DEPENDS ${QUILLET_INSTALLER})
endif()
