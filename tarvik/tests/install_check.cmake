# Installs the build into a scratch prefix and checks that the desktop program arrives with
# its templates, its menu entry and its icons.
# cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file
        bin/tarvik
        bin/TM_SEL_TEMPLATE
        bin/TM_CAL_TEMPLATE
        share/applications/tarvik.desktop
        share/icons/hicolor/48x48/apps/tarvik.png
        share/icons/hicolor/128x128/apps/tarvik.png
        share/icons/hicolor/256x256/apps/tarvik.png)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(READ "${PREFIX}/share/applications/tarvik.desktop" entry)
if(NOT entry MATCHES "\nExec=tarvik\n" OR NOT entry MATCHES "\nIcon=tarvik\n")
    message(FATAL_ERROR "the menu entry does not start tarvik with its icon")
endif()
file(REMOVE_RECURSE "${PREFIX}")
