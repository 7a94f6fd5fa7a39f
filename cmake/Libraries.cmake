# SPDX-License-Identifier: GPL-3.0-or-later

# A room's static library velmora_NAME from the sources that follow, with
# the alias velmora::NAME and the project's root as its include folder, so
# that every include names its room: "imaging/formats/ImageFile.h".
function(velmora_library name)
    add_library(velmora_${name} STATIC ${ARGN})
    add_library(velmora::${name} ALIAS velmora_${name})
    target_include_directories(velmora_${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
