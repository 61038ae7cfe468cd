# SPDX-License-Identifier: MIT
# Writes the manual page from its source: the version into its footer, the date of the
# changelog's latest entry into its header, and the guard tree, as the tree tool prints it, in
# place of the line @GUARD_TREE@, escaped so that roff shows every character of it as it stands.
# Usage: cmake -DSOURCE=guard.1.in -DPAGE=guard.1 -DVERSION=V -DCHANGELOG=changelog
#     -DTREE_TOOL=PROGRAM -P manual_page.cmake
foreach(required SOURCE PAGE VERSION CHANGELOG TREE_TOOL)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "manual_page.cmake needs -D${required}=...")
    endif()
endforeach()
execute_process(COMMAND ${TREE_TOOL} --text OUTPUT_VARIABLE tree RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TREE_TOOL} --text failed: ${status}")
endif()
# A backslash starts an escape; a dot or an apostrophe at the start of a line, a request.
string(REPLACE "\\" "\\e" tree "${tree}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" tree "${tree}")
string(REGEX REPLACE "\n$" "" GUARD_TREE "${tree}")
# The first trailer line, " -- NAME <ADDRESS>  Mon, 07 Dec 2026 12:00:00 +0000", is the latest.
file(STRINGS ${CHANGELOG} trailers REGEX "^ -- ")
list(GET trailers 0 latest)
if(NOT latest MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "no date in the changelog's latest entry: ${latest}")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
if(month EQUAL 0)
    message(FATAL_ERROR "no month in the changelog's latest entry: ${latest}")
endif()
string(REGEX REPLACE "^([0-9])$" "0\\1" day ${day})
string(REGEX REPLACE "^([0-9])$" "0\\1" month ${month})
set(GUARD_DATE ${year}-${month}-${day})
set(PROJECT_VERSION ${VERSION})
configure_file(${SOURCE} ${PAGE} @ONLY)
# Dated now even when its text has not changed, so that the build does not remake it each time.
file(TOUCH ${PAGE})
