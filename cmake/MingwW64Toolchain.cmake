# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads); programs run through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KEL_MINGW_TRIPLET}-windres)

# Headers, libraries and packages come from the cross root and from the
# prefixes given in CMAKE_PREFIX_PATH (Qt built for Windows); tools run on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KEL_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(KEL_WINE NAMES wine wine64)
if(KEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KEL_WINE})
endif()
