# Installs the program and its tools with everything they read at run time in lib/marulo, bin/
# links to them, the desktop entry, the AppStream metadata, the icons, the manual pages and the
# documentation, and describes the Debian package that cpack -G DEB makes.
include(GNUInstallDirs)
set(MARULO_INSTALL_DIR lib/marulo)
set(MARULO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/marulo)

# Every installed executable has a bin/ link and a manual page docs/man/NAME.1.
set(MARULO_INSTALLED_PROGRAMS
    marulo
    marulo-analyze
    marulo-synth
    marulo-report
)

install(TARGETS ${MARULO_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${MARULO_INSTALL_DIR})
install(FILES res/Conf.ini res/Lang.ini DESTINATION ${MARULO_INSTALL_DIR})
install(FILES res/lang/English.ini res/lang/German.ini res/lang/Chinese.ini
        DESTINATION ${MARULO_INSTALL_DIR}/lang)
# The guide pages and their pictures, as the build wrote them (res/CMakeLists.txt).
install(DIRECTORY ${MARULO_RUNTIME_DIR}/guide DESTINATION ${MARULO_INSTALL_DIR})
install(DIRECTORY ${MARULO_RUNTIME_DIR}/guide/ DESTINATION ${MARULO_DOC_DIR})

find_program(MARULO_GZIP gzip REQUIRED)
set(marulo_packaging_dir ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${marulo_packaging_dir}/bin ${marulo_packaging_dir}/man)
set(marulo_man_pages)
foreach(program ${MARULO_INSTALLED_PROGRAMS})
    # A relative link, so the tree works from any prefix and inside the package. The programs
    # find their files through their own resolved path, never through the link's.
    file(CREATE_LINK ../${MARULO_INSTALL_DIR}/${program} ${marulo_packaging_dir}/bin/${program}
         SYMBOLIC)
    install(FILES ${marulo_packaging_dir}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})

    # Compressed as Debian wants them: best compression, no name or time stamp inside.
    set(page ${marulo_packaging_dir}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND ${MARULO_GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/man/${program}.1 > ${page}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${program}.1
        COMMENT "Compressing the manual page of ${program}")
    list(APPEND marulo_man_pages ${page})
endforeach()
install(FILES ${marulo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(marulo_changelog ${marulo_packaging_dir}/changelog.Debian.gz)
add_custom_command(OUTPUT ${marulo_changelog}
    COMMAND ${MARULO_GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${marulo_changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
    COMMENT "Compressing the package changelog")
add_custom_target(marulo_packaging_files ALL DEPENDS ${marulo_man_pages} ${marulo_changelog})
install(FILES packaging/copyright ${marulo_changelog} DESTINATION ${MARULO_DOC_DIR})
install(FILES packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME marulo)

install(FILES packaging/marulo.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES packaging/org.marulo.marulo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES res/icons/marulo-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
            RENAME marulo.png)
endforeach()

# The package's version is the project's plus a packaging revision, and the changelog's latest
# entry must name exactly that version.
set(MARULO_PACKAGE_RELEASE 1)
file(STRINGS packaging/changelog marulo_changelog_head LIMIT_COUNT 1)
if(NOT marulo_changelog_head MATCHES "^marulo \\(${PROJECT_VERSION}-${MARULO_PACKAGE_RELEASE}\\) ")
    message(FATAL_ERROR "packaging/changelog does not start with version "
                        "${PROJECT_VERSION}-${MARULO_PACKAGE_RELEASE}: ${marulo_changelog_head}")
endif()

# The maintainer is set when the package is made: MARULO_PACKAGE_MAINTAINER in the environment
# of cpack (see cmake/CPackOptions.cmake) or of cmake, else the project's address. Not cached, so
# an old build folder cannot keep an older maintainer.
if(DEFINED ENV{MARULO_PACKAGE_MAINTAINER})
    set(MARULO_PACKAGE_MAINTAINER "$ENV{MARULO_PACKAGE_MAINTAINER}")
else()
    set(MARULO_PACKAGE_MAINTAINER "Marulo developers <developers@marulo.org>")
endif()

set(CPACK_PACKAGE_NAME marulo)
set(CPACK_PACKAGE_VENDOR "Marulo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion for a home fetal heartbeat listener")
set(CPACK_PACKAGE_DESCRIPTION
    "Marulo captures the audio of a home fetal Doppler heartbeat listener wired to\n\
the sound input, shows the baby's heart rate live as a number, a waveform and\n\
a trace, records every run (audio and heart rate once a second) and plays\n\
records back on a scrolling chart. It is not a medical device.")
set(CPACK_PACKAGE_CONTACT ${MARULO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${MARULO_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MARULO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://marulo.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# What the libraries do not say: the sound and playback backend, the fonts of the skin and of
# the Chinese texts, the opener of the guide, the Data folder and addresses, and the German and
# Chinese texts of Qt's own dialogs and buttons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-pulseaudio, fonts-dejavu-core, fonts-noto-cjk, xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/CPackOptions.cmake)
include(CPack)
