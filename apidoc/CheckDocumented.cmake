# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

# Fails on an enumerator that the API reference leaves undocumented (Doxygen 1.9 warns of every other undocumented
# public symbol itself), and prints how many public symbols it documents: the classes, structs and namespaces, and
# their members (functions, signals, slots, enums and enumerators, typedefs, constants, fields), each counted once.
# Usage: cmake -DXML=<Doxygen's XML folder> -DTAGS=<the tag file> -P CheckDocumented.cmake
set(blank "[ \t\r\n]*")
file(GLOB pages "${XML}/*.xml")
set(undocumented 0)
foreach(page IN LISTS pages)
  file(READ "${page}" text)
  string(REGEX MATCHALL "<enumvalue [^>]*>${blank}<name>[^<]*</name>(${blank}<initializer>[^<]*</initializer>)?${blank}<briefdescription>${blank}</briefdescription>${blank}<detaileddescription>${blank}</detaileddescription>"
         found "${text}")
  foreach(enumerator IN LISTS found)
    string(REGEX REPLACE ".*<name>([^<]*)</name>.*" "\\1" name "${enumerator}")
    get_filename_component(where "${page}" NAME_WE)
    message(SEND_ERROR "enumerator ${name} is not documented (${where})")
    math(EXPR undocumented "${undocumented} + 1")
  endforeach()
endforeach()

file(READ "${TAGS}" tags)
string(REGEX MATCHALL "<compound kind=\"(class|struct|namespace)\"" compounds "${tags}")
list(LENGTH compounds compound_count)
# A namespace's members are listed again under their file: one anchor, one symbol.
string(REGEX MATCHALL "<anchorfile>[^<]*</anchorfile>${blank}<anchor>[^<]*</anchor>" anchors "${tags}")
list(REMOVE_DUPLICATES anchors)
list(LENGTH anchors member_count)
math(EXPR total "${compound_count} + ${member_count}")
message(STATUS "API reference: ${total} documented public symbols (${compound_count} classes, structs and namespaces, "
               "${member_count} members), ${undocumented} undocumented enumerators")
