# Installs the build into a scratch prefix and checks the installed layout: the programs in
# bin/, tarvik's templates and version.txt in share/kontrollwerk/, the menu entries, the
# icons, the manual pages and the changelog; then the installed tarvik, which has no
# templates beside it, generates from the installed ones and stamps their version into the
# documentation.
# cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
    share/kontrollwerk/TM_SEL_TEMPLATE/SET2.SET
    share/kontrollwerk/TM_CAL_TEMPLATE
    share/kontrollwerk/version.txt
    share/kontrollwerk/racks/demo.rack
    share/applications/tarvik.desktop
    share/applications/korvane.desktop
    share/man/man1/tarvik.1.gz
    share/man/man1/korvane.1.gz
    share/man/man1/testsystem-sim.1.gz
    share/doc/kontrollwerk/changelog.gz)
foreach(size 48 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/tarvik.png
                         share/icons/hicolor/${size}x${size}/apps/korvane.png)
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(GLOB programs RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
list(SORT programs)
if(NOT programs STREQUAL "korvane;tarvik;testsystem-sim")
    message(FATAL_ERROR "bin/ holds ${programs}, not the three programs")
endif()
foreach(program tarvik korvane)
    file(READ "${PREFIX}/share/applications/${program}.desktop" entry)
    if(NOT entry MATCHES "\nExec=${program}( %f)?\n" OR NOT entry MATCHES "\nIcon=${program}\n")
        message(FATAL_ERROR "the menu entry does not start ${program} with its icon")
    endif()
endforeach()

execute_process(COMMAND "${PREFIX}/bin/tarvik" -i --batch --yes --target "${PREFIX}/out"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed tarvik did not generate (${result}): ${errors}")
endif()
file(STRINGS "${PREFIX}/share/kontrollwerk/version.txt" version LIMIT_COUNT 1)
string(STRIP "${version}" version)
file(READ "${PREFIX}/out/TM_TARVIK/SET2.SET" documentation)
if(NOT documentation MATCHES "generiert von Kontrollwerk ${version} ")
    message(FATAL_ERROR "the documentation does not carry the installed version ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
