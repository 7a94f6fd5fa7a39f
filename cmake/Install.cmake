# SPDX-License-Identifier: GPL-3.0-or-later
# Installation in the freedesktop locations, and a Debian package:
#   cmake --install build --prefix /usr/local
#   cd build && cpack
include(GNUInstallDirs)

install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VELMORA_BUILD_GUI)
    install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # "Help" looks beside the program first, then in share/velmora beside its bin folder.
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The icon in every size, drawn by tools/make-icon.
    foreach(size 16 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME velmora.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/velmora-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/samples/sample.png ${PROJECT_SOURCE_DIR}/samples/sample-depth.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/samples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT "Velmora developers <dev@velmora.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D photos: anaglyphs and LC-shutter images from a picture and its depth map")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.example.org/")
# The libraries it links (FreeImage, Qt) are found and declared by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
include(CPack)
