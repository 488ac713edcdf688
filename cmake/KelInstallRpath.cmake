# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Installed libraries and programs find our libraries through a search path relative to themselves ($ORIGIN), so a
# --prefix install runs without LD_LIBRARY_PATH, wherever the tree is moved. The Debian packages drop it again
# (KelPackagesDropRpath.cmake): in /usr the loader finds the libraries itself.

# kel_install_rpath(<target> <destination>): the target is installed in <destination>, relative to the prefix.
function(kel_install_rpath target destination)
  if(WIN32 OR APPLE)
    return()  # Windows looks beside the program, macOS uses install names
  endif()
  file(RELATIVE_PATH to_libdir "/${destination}" "/${CMAKE_INSTALL_LIBDIR}")
  string(REGEX REPLACE "/$" "" to_libdir "${to_libdir}")
  if(to_libdir)
    set_property(TARGET ${target} PROPERTY INSTALL_RPATH "$ORIGIN/${to_libdir}")
  else()
    set_property(TARGET ${target} PROPERTY INSTALL_RPATH "$ORIGIN")
  endif()
endfunction()
