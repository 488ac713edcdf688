# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Run by CPack after it installed the packages' files: removes the relative library search path that installed
# binaries carry for --prefix installs, since in /usr the loader finds the libraries itself.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")  # an ELF binary
    file(RPATH_REMOVE FILE "${file}")
  endif()
endforeach()
