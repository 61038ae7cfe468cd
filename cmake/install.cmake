# SPDX-License-Identifier: MIT
# Installs what BUILD_DIR built, as `cmake --install` does, except that the list of installed
# files goes to MANIFEST instead of into the build folder: `sudo make install` then leaves a
# build folder that belongs to its user as it was, and `make uninstall` reads the same list from
# an install into a scratch folder.
# Usage: cmake -DBUILD_DIR=DIR -DMANIFEST=FILE -DCMAKE_INSTALL_PREFIX=PREFIX -P install.cmake
# (DESTDIR, if set in the environment, is put before PREFIX, as always.)
foreach(required BUILD_DIR MANIFEST CMAKE_INSTALL_PREFIX)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "install.cmake needs -D${required}=...")
    endif()
endforeach()
get_filename_component(BUILD_DIR ${BUILD_DIR} ABSOLUTE)
get_filename_component(MANIFEST ${MANIFEST} ABSOLUTE)

# The build folder's script names every path in full, its manifest too.
file(READ ${BUILD_DIR}/cmake_install.cmake script)
string(FIND "${script}" "file(WRITE \"${BUILD_DIR}/\${CMAKE_INSTALL_MANIFEST}\"" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${BUILD_DIR}/cmake_install.cmake: no manifest written where expected")
endif()
string(REPLACE "file(WRITE \"${BUILD_DIR}/\${CMAKE_INSTALL_MANIFEST}\""
    "file(WRITE \"${MANIFEST}\"" script "${script}")
get_filename_component(scratch ${MANIFEST} DIRECTORY)
file(WRITE ${scratch}/cmake_install.cmake "${script}")
include(${scratch}/cmake_install.cmake)
