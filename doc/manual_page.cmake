# SPDX-License-Identifier: MIT
# Writes the manual page from its source: the version into its footer and the guard tree, as
# the tree tool prints it, in place of the line @GUARD_TREE@, escaped so that roff shows every
# character of it as it stands.
# Usage: cmake -DSOURCE=guard.1.in -DPAGE=guard.1 -DVERSION=V -DTREE_TOOL=PROGRAM -P manual_page.cmake
foreach(required SOURCE PAGE VERSION TREE_TOOL)
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
set(PROJECT_VERSION ${VERSION})
configure_file(${SOURCE} ${PAGE} @ONLY)
# Dated now even when its text has not changed, so that the build does not remake it each time.
file(TOUCH ${PAGE})
