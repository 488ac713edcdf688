# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Fails when a shared library exports a defined dynamic symbol outside its API's C++ namespaces or classes.
# Usage: cmake -DLIBRARY=<path> "-DNAMESPACE=Kel" -P CheckExports.cmake
#        (several as alternatives of a regular expression: "Port|Port_Env|Port_MsgManData")
find_program(NM_EXECUTABLE nm REQUIRED)
execute_process(COMMAND "${NM_EXECUTABLE}" -D --defined-only -C "${LIBRARY}"
                OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(count 0)
set(outside 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  # "<address> <type> <name>": the name is everything after the second blank.
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  if(NOT name MATCHES "^(typeinfo for |typeinfo name for |vtable for |non-virtual thunk to )?(${NAMESPACE})(::|$)")
    message(SEND_ERROR "exported outside ${NAMESPACE}::  ${name}")
    math(EXPR outside "${outside} + 1")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
if(outside EQUAL 0)
  message(STATUS "${count} exported symbols, all in ${NAMESPACE}::")
else()
  message(STATUS "${count} exported symbols, ${outside} of them outside ${NAMESPACE}::")
endif()
