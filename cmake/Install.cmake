# SPDX-License-Identifier: GPL-3.0-or-later
# Installation in the freedesktop locations, and a Debian package:
#   cmake --install build --prefix /usr/local
#   cmake --build build --target package     (or: cd build && cpack)
include(GNUInstallDirs)

# Where the project can be reached. It has no address of its own yet: the
# maintainer is the identity its commits carry, and the screenshot is where
# the project's pages will publish it. Change them here, the one place.
set(VELMORA_MAINTAINER "The Velmora developers <maintainers@users.noreply.c-seed-feec6b6d.example>"
    CACHE STRING "The package's maintainer")
set(VELMORA_APPSTREAM_ID "io.github.velmora.Velmora" CACHE STRING "The AppStream component id")
set(VELMORA_SCREENSHOT_URL "https://velmora.github.io/screenshots/main-window.png"
    CACHE STRING "The address of the screenshot software centres show")

set(generated ${PROJECT_BINARY_DIR}/generated)

# Manual pages and the changelog, with the version, compressed as Debian wants them.
function(velmora_gzip source output)
    configure_file(${source} ${generated}/${output} @ONLY)
    add_custom_command(OUTPUT ${generated}/${output}.gz
                       COMMAND gzip -9n -c ${generated}/${output} > ${generated}/${output}.gz
                       DEPENDS ${source} VERBATIM)
endfunction()
velmora_gzip(${PROJECT_SOURCE_DIR}/docs/velmora-cli.1.in velmora-cli.1)
velmora_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog.in changelog)
set(compressed ${generated}/velmora-cli.1.gz ${generated}/changelog.gz)

install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${generated}/velmora-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)
install(FILES ${PROJECT_SOURCE_DIR}/samples/sample.png ${PROJECT_SOURCE_DIR}/samples/sample-depth.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/samples)

if(VELMORA_BUILD_GUI)
    velmora_gzip(${PROJECT_SOURCE_DIR}/docs/velmora.1.in velmora.1)
    list(APPEND compressed ${generated}/velmora.1.gz)
    configure_file(${PROJECT_SOURCE_DIR}/resources/velmora.metainfo.xml.in
                   ${generated}/${VELMORA_APPSTREAM_ID}.metainfo.xml @ONLY)

    install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${generated}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # "Help" looks beside the program first, then in share/velmora beside its bin folder.
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${generated}/${VELMORA_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    # The icon in every size, drawn by tools/make-icon.
    foreach(size 16 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME velmora.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
add_custom_target(packaged-documents ALL DEPENDS ${compressed})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D pictures from a photograph and its depth map")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmora turns an ordinary photograph and its greyscale depth map into a\n"
    "red-cyan anaglyph, for red-cyan glasses, or a row-interleaved picture for\n"
    "LC-shutter glasses. It synthesises the second view of a stereo pair by\n"
    "shifting every pixel sideways by its depth, and fills the holes from\n"
    "their neighbours. A segmentation tool evens the depth map out within the\n"
    "regions of the photograph.\n"
    ".\n"
    "The package holds the desktop program, velmora, and the command-line\n"
    "tool velmora-cli for batch work.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries it links (FreeImage, Qt) are found and declared by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
include(CPack)
