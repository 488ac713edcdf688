# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Compares a shared library's ABI with its baseline abi/<soname>.abi (MODE=check), or records it there (MODE=update).
#
# check: fails when the build lacks or changes anything of the baseline (abidiff --no-added-syms: an incompatible
#   change, or one abidiff cannot show to be compatible), when it adds interfaces the baseline does not record, and
#   when the baseline itself was last changed incompatibly while keeping its SONAME (its previous version in git).
# update: writes the build's ABI as the baseline; refuses an incompatible change under the same SONAME. A new SONAME
#   gets a new baseline, and the library's baselines of other SONAMEs are removed.
# Variables: MODE, LIBRARY, SONAME, LINKER_NAME, BASELINE_DIR, SOURCE_DIR, BINARY_DIR, WORK_DIR, ABIDW, ABIDIFF,
# ABILINT, READELF, GIT.

set(baseline "${BASELINE_DIR}/${SONAME}.abi")
file(RELATIVE_PATH baseline_in_tree "${SOURCE_DIR}" "${baseline}")
# What libabigail reads of a library: the exported interfaces and the types they reach, without source locations.
set(read_options --no-show-locs --exported-interfaces-only)
# Changes no host can see, such as those of the private parts behind the d-pointers (libabigail's format).
if(EXISTS "${BASELINE_DIR}/suppressions.abignore")
  list(APPEND read_options --suppressions "${BASELINE_DIR}/suppressions.abignore")
endif()
string(CONCAT how_to_break "Undo it, or make it on purpose in one commit: bump the SONAME (the major version in "
                           "project() of CMakeLists.txt) and record the new baseline with "
                           "'cmake --build <build> --target abi-baseline'.")

# An ABI file that libabigail cannot read would compare as equal to anything: each is read whole first.
function(abi_lint file)
  execute_process(COMMAND "${ABILINT}" --noout "${file}" RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${file} is no ABI file libabigail can read:\n${errors}")
  endif()
  file(STRINGS "${file}" corpus LIMIT_COUNT 3 REGEX "<abi-corpus ")
  if(NOT corpus MATCHES "soname='${SONAME}'")
    message(FATAL_ERROR "${file} is not the ABI of ${SONAME}")
  endif()
endfunction()

# Without debug information abidiff compares nothing but symbol names, and finds a stripped library equal.
function(abi_has_debug_info library)
  execute_process(COMMAND "${READELF}" --section-headers "${library}" OUTPUT_VARIABLE sections RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT sections MATCHES "\\.debug_info")
    message(FATAL_ERROR "${library} has no debug information to compare (build with RelWithDebInfo or Debug)")
  endif()
endfunction()

# abidiff's exit status is a bit set: 1 error, 2 usage error, 4 ABI change, 8 incompatible change.
function(abi_diff old new status_var report_var)
  abi_lint("${old}")
  if(new MATCHES "\\.abi$")
    abi_lint("${new}")
  else()
    abi_has_debug_info("${new}")
  endif()
  execute_process(COMMAND "${ABIDIFF}" ${read_options} ${ARGN} "${old}" "${new}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
  math(EXPR tool_failed "${status} & 3")
  if(NOT tool_failed EQUAL 0)
    message(FATAL_ERROR "abidiff could not compare ${old} with ${new} (status ${status}):\n${report}")
  endif()
  set(${status_var} ${status} PARENT_SCOPE)
  set(${report_var} "${report}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "update")
  file(MAKE_DIRECTORY "${WORK_DIR}")
  set(fresh "${WORK_DIR}/${SONAME}.abi")
  abi_has_debug_info("${LIBRARY}")
  execute_process(COMMAND "${ABIDW}" --no-corpus-path --no-comp-dir-path --no-show-locs --type-id-style hash
                          --drop-undefined-syms --exported-interfaces-only --out-file "${fresh}" "${LIBRARY}"
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "abidw failed on ${LIBRARY}:\n${errors}")
  endif()
  # The same baseline whichever folder the tree and the build are in.
  file(READ "${fresh}" abi)
  string(REPLACE "'${BINARY_DIR}/" "'build/" abi "${abi}")
  string(REPLACE "'${SOURCE_DIR}/" "'" abi "${abi}")
  file(WRITE "${fresh}" "${abi}")
  if(EXISTS "${baseline}")
    abi_diff("${baseline}" "${fresh}" status report --no-added-syms)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${SONAME}: not recorded, the change is incompatible while the SONAME stays ${SONAME}.\n"
                          "${how_to_break}\n${report}")
    endif()
    abi_diff("${baseline}" "${fresh}" status report)
    if(status EQUAL 0)
      message(STATUS "${SONAME}: unchanged")
      return()
    endif()
  endif()
  file(COPY_FILE "${fresh}" "${baseline}")
  message(STATUS "${SONAME}: recorded in ${baseline_in_tree}")
  file(GLOB others "${BASELINE_DIR}/${LINKER_NAME}.*.abi")
  foreach(other IN LISTS others)
    if(NOT other STREQUAL baseline)
      file(REMOVE "${other}")
      message(STATUS "${SONAME}: the baseline of the former SONAME, ${other}, is removed")
    endif()
  endforeach()
  return()
endif()

if(NOT EXISTS "${baseline}")
  message(FATAL_ERROR "${SONAME} has no ABI baseline ${baseline_in_tree}: a library or SONAME that is new needs "
                      "its baseline, recorded with 'cmake --build <build> --target abi-baseline' in the same commit.")
endif()

abi_diff("${baseline}" "${LIBRARY}" status report --no-added-syms)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SONAME} breaks its ABI baseline ${baseline_in_tree}.\n${how_to_break}\n${report}")
endif()
abi_diff("${baseline}" "${LIBRARY}" status report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SONAME} adds interfaces that ${baseline_in_tree} does not record: record them with "
                      "'cmake --build <build> --target abi-baseline' in the same commit.\n${report}")
endif()
message(STATUS "${SONAME}: the build keeps ${baseline_in_tree}")

# The baseline's own history: its last change kept everything of the version before it, or came with a new SONAME
# (a new file name). Only a change on purpose, with its SONAME, may break the ABI.
if(NOT GIT OR NOT EXISTS "${SOURCE_DIR}/.git")
  message(STATUS "${SONAME}: no git history here; the baseline's last change is not checked")
  return()
endif()
function(git_output out_var)
  execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    set(${out_var} "${output}" PARENT_SCOPE)
  else()
    set(${out_var} "" PARENT_SCOPE)
  endif()
endfunction()
git_output(state status --porcelain -- "${baseline_in_tree}")
if(state MATCHES "^\\?\\?|^A")
  message(STATUS "${SONAME}: the baseline is new")
  return()
elseif(NOT state STREQUAL "")
  set(before "HEAD")
  set(change "the uncommitted change")
else()
  git_output(last log -1 --format=%H -- "${baseline_in_tree}")
  set(before "${last}^")
  set(change "commit ${last}")
endif()
execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" show "${before}:${baseline_in_tree}"
                RESULT_VARIABLE status OUTPUT_FILE "${WORK_DIR}/${SONAME}.before.abi" ERROR_QUIET)
if(NOT status EQUAL 0)
  message(STATUS "${SONAME}: the baseline has no earlier version here (${change} made it)")
  return()
endif()
abi_diff("${WORK_DIR}/${SONAME}.before.abi" "${baseline}" status report --no-added-syms)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${baseline_in_tree} was changed incompatibly by ${change} while the SONAME stayed ${SONAME}.\n"
                      "${how_to_break}\n${report}")
endif()
message(STATUS "${SONAME}: the baseline's last change (${change}) kept the ABI before it")
