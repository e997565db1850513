# Installs the build into a fresh prefix and checks that the program and everything it reads at
# run time are where the installed program and the desktop look for them.
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstallLayout.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    lib/marulo/marulo lib/marulo/Conf.ini lib/marulo/Lang.ini
    lib/marulo/lang/English.ini lib/marulo/lang/German.ini lib/marulo/lang/Chinese.ini
    share/applications/marulo.desktop share/metainfo/org.marulo.marulo.metainfo.xml
    share/doc/marulo/copyright share/doc/marulo/changelog.Debian.gz)
foreach(size 16 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/marulo.png)
endforeach()
# Each program and tool: its link, its manual page and, in the documentation, each guide.
foreach(program marulo marulo-analyze marulo-synth marulo-report)
    list(APPEND expected bin/${program} lib/marulo/${program} share/man/man1/${program}.1.gz)
endforeach()
foreach(guide user-guide.html user-guide.de.html user-guide.zh.html)
    list(APPEND expected share/doc/marulo/${guide})
endforeach()
foreach(file ${expected})
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "missing after install: ${file}")
    endif()
endforeach()

# Every language file that Lang.ini lists is installed beside it.
file(STRINGS ${PREFIX}/lib/marulo/Lang.ini languages REGEX "^[^;#\[].*=")
foreach(line ${languages})
    string(REGEX REPLACE "^[^=]*=[ \t]*" "" path "${line}")
    string(REPLACE "\\" "/" path "${path}")
    if(NOT EXISTS ${PREFIX}/lib/marulo/${path})
        message(FATAL_ERROR "Lang.ini lists ${path}, which is not installed")
    endif()
endforeach()

# Every language's homepage is a page installed beside the program, where it opens it from.
foreach(language English German Chinese)
    file(STRINGS ${PREFIX}/lib/marulo/lang/${language}.ini url REGEX "^Url=")
    string(REGEX REPLACE "^Url=" "" url "${url}")
    if(url STREQUAL "" OR NOT EXISTS ${PREFIX}/lib/marulo/${url})
        message(FATAL_ERROR "the ${language} homepage '${url}' is not installed")
    endif()
endforeach()

if(NOT IS_SYMLINK ${PREFIX}/bin/marulo)
    message(FATAL_ERROR "bin/marulo is not a link")
endif()
file(READ_SYMLINK ${PREFIX}/bin/marulo target)
if(NOT target STREQUAL "../lib/marulo/marulo")
    message(FATAL_ERROR "bin/marulo points at ${target}")
endif()
file(REAL_PATH ${PREFIX}/bin/marulo resolved)
file(REAL_PATH ${PREFIX}/lib/marulo/marulo program)
if(NOT resolved STREQUAL program)
    message(FATAL_ERROR "bin/marulo resolves to ${resolved}")
endif()

file(STRINGS ${PREFIX}/share/applications/marulo.desktop entry)
foreach(wanted "Exec=marulo" "Icon=marulo" "Type=Application")
    if(NOT wanted IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${wanted}")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
