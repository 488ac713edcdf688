# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Runs one Qt Test program with its results written to a file, then prints the file: a
# program run through wine loses what it writes to a pipe, and CTest reads a pipe.
#   cmake -DEMULATOR=<runner> -DPROGRAM=<test.exe> -DRESULTS=<file> -P KelRunWithResultFile.cmake
if(NOT PROGRAM OR NOT RESULTS)
  message(FATAL_ERROR "usage: -DPROGRAM=<test program> -DRESULTS=<result file> [-DEMULATOR=<runner>]")
endif()

# The console output goes to a file too: wine's helper processes, started on
# demand by whichever program needs them first, inherit its handles and would
# keep a pipe open, and the run waiting on it, long after the test ended.
set(console "${RESULTS}.console")
file(REMOVE "${RESULTS}" "${console}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "${RESULTS},txt"
                INPUT_FILE /dev/null OUTPUT_FILE "${console}" ERROR_FILE "${console}"
                RESULT_VARIABLE status)
foreach(output IN ITEMS "${console}" "${RESULTS}")
  if(EXISTS "${output}")
    file(SIZE "${output}" size)
    if(size GREATER 0)
      execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${output}")
    endif()
  endif()
endforeach()
if(NOT EXISTS "${RESULTS}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "no results written by ${PROGRAM}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ended with ${status}")
endif()
