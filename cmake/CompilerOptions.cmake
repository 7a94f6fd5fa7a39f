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

# Builds for finding faults rather than for shipping. VELMORA_FUZZ makes the
# fuzz targets of tests/fuzz libFuzzer programs (clang only), with everything
# they reach checked for bad memory use and undefined behaviour;
# VELMORA_SANITIZE builds everything with one sanitizer, e.g. "thread"
# (scripts/tsan). Either stops at the first fault found, so that a test fails.
option(VELMORA_FUZZ "Build the fuzz targets with libFuzzer and the address and undefined-behaviour sanitizers (clang)" OFF)
set(VELMORA_SANITIZE "" CACHE STRING "Build everything with this sanitizer (thread, address...); empty for none")
if(VELMORA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VELMORA_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
    endif()
    if(VELMORA_SANITIZE)
        message(FATAL_ERROR "VELMORA_FUZZ brings its own sanitizers; leave VELMORA_SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(VELMORA_SANITIZE)
    add_compile_options(-fsanitize=${VELMORA_SANITIZE} -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${VELMORA_SANITIZE})
endif()

# The hardening distributions build with: checked buffer functions where the
# optimiser can see the sizes, and relocations made read-only at start. The
# sanitizers check every buffer themselves, and see less through the checked
# functions.
if(NOT VELMORA_FUZZ AND NOT VELMORA_SANITIZE)
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
