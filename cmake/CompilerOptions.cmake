# SPDX-License-Identifier: GPL-3.0-or-later
# Compiler settings shared by every target.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

option(VELMORA_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

# Colours are decided by double products and subtractions in a fixed order, so
# results must match bit for bit on every machine: no fused multiply-add, no
# fast-math, no tuning for the build machine's processor.
add_compile_options(-Wall -Wextra -ffp-contract=off)
if(VELMORA_WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
endif()

# The hardening distributions build with: checked buffer functions where the
# optimiser can see the sizes, and relocations made read-only at start.
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_link_options(-Wl,-z,relro -Wl,-z,now)
