# SPDX-License-Identifier: GPL-3.0-or-later
# System libraries. scripts/setup installs them on Debian and Ubuntu.

# FreeImage ships no CMake package; wrap the header and library in a target.
find_path(FREEIMAGE_INCLUDE_DIR FreeImage.h REQUIRED)
find_library(FREEIMAGE_LIBRARY NAMES freeimage REQUIRED)
add_library(FreeImage::FreeImage UNKNOWN IMPORTED)
set_target_properties(FreeImage::FreeImage PROPERTIES
    IMPORTED_LOCATION "${FREEIMAGE_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${FREEIMAGE_INCLUDE_DIR}")

# FreeImage reads TIFF through the system's libtiff, whose messages we quieten.
find_package(TIFF REQUIRED)
# The PNG encoder compresses with zlib itself.
find_package(ZLIB REQUIRED)
# The JPEG encoder codes its bands with libjpeg (libjpeg-turbo on Debian).
find_package(JPEG REQUIRED)

# HEIF pictures (the HEIC files of phones) and the depth images they store are
# read through libheif, which ships no CMake package either.
find_path(LIBHEIF_INCLUDE_DIR libheif/heif.h REQUIRED)
find_library(LIBHEIF_LIBRARY NAMES heif REQUIRED)
add_library(Heif::Heif UNKNOWN IMPORTED)
set_target_properties(Heif::Heif PROPERTIES
    IMPORTED_LOCATION "${LIBHEIF_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${LIBHEIF_INCLUDE_DIR}")

# OpenCV's components, from Debian's component packages, which ship no CMake
# package of their own: one target for each room that uses OpenCV, so that
# only the estimating room links the neural network module.
find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
function(velmora_opencv_target name)
    add_library(OpenCV::${name} INTERFACE IMPORTED)
    foreach(component ${ARGN})
        find_library(OPENCV_${component}_LIBRARY NAMES opencv_${component} REQUIRED)
        target_link_libraries(OpenCV::${name} INTERFACE ${OPENCV_${component}_LIBRARY})
    endforeach()
    target_include_directories(OpenCV::${name} INTERFACE ${OPENCV_INCLUDE_DIR})
endfunction()
velmora_opencv_target(Matching core imgproc features2d flann calib3d)
velmora_opencv_target(Estimating core imgproc dnn)

find_package(CLI11 CONFIG REQUIRED)
if(VELMORA_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Gui Widgets Test)
endif()

if(VELMORA_BUILD_TESTS OR VELMORA_BUILD_BENCH)
    find_package(GTest REQUIRED)
endif()
if(VELMORA_BUILD_BENCH)
    find_package(benchmark REQUIRED)
endif()
