# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# kel_limit_exports(<target> <map>): the shared library exports what the linker
# version script <map> lets through and nothing else. ELF systems only: on
# Windows the export macros alone decide what a DLL exports.
function(kel_limit_exports target map)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_SYSTEM_NAME MATCHES "BSD")
    get_filename_component(map "${map}" ABSOLUTE)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${map}")
  endif()
endfunction()
