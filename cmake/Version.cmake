# SPDX-License-Identifier: GPL-3.0-or-later
# The product's version is set once, in project(); the build writes it into a
# header that the window, the About box and velmora-cli include.
configure_file(${PROJECT_SOURCE_DIR}/resources/Version.h.in ${PROJECT_BINARY_DIR}/generated/resources/Version.h @ONLY)
add_library(velmora_version INTERFACE)
add_library(velmora::version ALIAS velmora_version)
target_include_directories(velmora_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
