# Installs the program with everything it reads at run time in lib/marulo, a bin/marulo link to
# it, the desktop entry and the icons, and describes the Debian package that cpack -G DEB makes.
set(MARULO_INSTALL_DIR lib/marulo)

# marulo-report lies beside the program, whose Conf.ini gives its texts.
install(TARGETS marulo marulo-report RUNTIME DESTINATION ${MARULO_INSTALL_DIR})
install(FILES res/Conf.ini res/Lang.ini docs/user-guide.md DESTINATION ${MARULO_INSTALL_DIR})
install(FILES res/lang/English.ini res/lang/German.ini res/lang/Chinese.ini
        DESTINATION ${MARULO_INSTALL_DIR}/lang)

# A relative link, so the tree works from any prefix and inside the package. The program finds
# its files through its own resolved path, never through the link's.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/bin)
foreach(program marulo marulo-report)
    file(CREATE_LINK ../${MARULO_INSTALL_DIR}/${program} ${CMAKE_BINARY_DIR}/packaging/bin/${program}
         SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/bin/${program} DESTINATION bin)
endforeach()

install(FILES packaging/marulo.desktop DESTINATION share/applications)
foreach(size 16 32 48 64 128 256)
    install(FILES res/icons/marulo-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME marulo.png)
endforeach()

set(MARULO_PACKAGE_MAINTAINER "Marulo developers <marulo@localhost>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME marulo)
set(CPACK_PACKAGE_VENDOR "Marulo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Companion for a home fetal heartbeat listener: live heart rate, recordings, review")
set(CPACK_PACKAGE_DESCRIPTION
    "Marulo captures the audio of a home fetal Doppler heartbeat listener wired to the sound \
input, shows the baby's heart rate live as a number, a waveform and a trace, records every run \
(audio and heart rate once a second) and plays records back on a scrolling chart. It is not a \
medical device.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MARULO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# What the libraries do not say: the sound and playback backend and the fonts of the skin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-pulseaudio, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, fonts-noto-cjk")
include(CPack)
