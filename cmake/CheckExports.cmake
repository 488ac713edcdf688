# Fails when a shared library exports a defined dynamic symbol outside the allowed C++ namespace.
# Usage: cmake -DLIBRARY=<path> -DNAMESPACE=Kel -P CheckExports.cmake
find_program(NM_EXECUTABLE nm REQUIRED)
execute_process(COMMAND "${NM_EXECUTABLE}" -D --defined-only -C "${LIBRARY}"
                OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(count 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  # "<address> <type> <name>": the name is everything after the second blank.
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  if(NOT name MATCHES "^(${NAMESPACE}::|typeinfo for ${NAMESPACE}::|typeinfo name for ${NAMESPACE}::|vtable for ${NAMESPACE}::)")
    message(SEND_ERROR "exported outside ${NAMESPACE}::  ${name}")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
message(STATUS "${count} exported symbols, all in ${NAMESPACE}::")
