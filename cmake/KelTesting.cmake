# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# kel_add_test(NAME SOURCES... [LIBRARIES ...]): a Qt Test binary run headless by CTest.
# Every test gets QT_QPA_PLATFORM=offscreen; tests make their own temporary
# XDG_CONFIG_HOME so they never touch the user's store.

# A Windows build tested on another system runs its tests through an emulator
# (wine), which loses what a program writes to a pipe: the results go to a file
# that a host-side script prints for CTest. The test programs see their own
# folder as a Windows path.
set(KEL_TEST_BIN_DIR "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
  set(KEL_TEST_THROUGH_EMULATOR ON)
  if(KEL_TEST_BIN_DIR MATCHES "^/")
    # wine shows the host's root as drive Z:.
    set(KEL_TEST_BIN_DIR "Z:${KEL_TEST_BIN_DIR}")
  endif()
endif()

function(kel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE Qt${QT_VERSION_MAJOR}::Test ${ARG_LIBRARIES})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests/common")
  if(KEL_TEST_THROUGH_EMULATOR)
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                     -DPROGRAM=$<TARGET_FILE:${name}>
                     "-DRESULTS=${CMAKE_CURRENT_BINARY_DIR}/${name}-results.txt"
                     -P "${PROJECT_SOURCE_DIR}/cmake/KelRunWithResultFile.cmake")
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KEL_TEST_BIN_DIR=${KEL_TEST_BIN_DIR};${ARG_ENVIRONMENT}"
    TIMEOUT 300)
endfunction()
