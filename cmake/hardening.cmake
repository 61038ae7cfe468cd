# SPDX-License-Identifier: MIT
# The protections a distribution's own build flags give, for every target, so that a plain
# `make` builds a program as hardened as a packaged one. Each is checked first: a tool chain that
# lacks one still builds, without it.
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
check_pie_supported(LANGUAGES CXX)

# Stack protector, stack clash protection, control-flow protection (Intel CET, x86 only), and
# read-only relocations resolved at start-up rather than on first call. One try for the whole
# set, which recent GCC and Clang on x86 take; then one at a time, each try a fraction of a
# second of a first configure.
set(protections -fstack-protector-strong -fstack-clash-protection -fcf-protection)
set(relro LINKER:-z,relro LINKER:-z,now)
string(JOIN " " CMAKE_REQUIRED_FLAGS ${protections})
set(CMAKE_REQUIRED_LINK_OPTIONS ${relro})
check_cxx_source_compiles("int main() { return 0; }" GUARD_TAKES_EVERY_PROTECTION
    FAIL_REGEX "unrecognized|unknown|not supported|unused|ignor")
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(GUARD_TAKES_EVERY_PROTECTION)
    add_compile_options(${protections})
    add_link_options(${relro})
else()
    foreach(flag ${protections})
        string(MAKE_C_IDENTIFIER "GUARD_TAKES${flag}" taken)
        check_cxx_compiler_flag(${flag} ${taken})
        if(${taken})
            add_compile_options(${flag})
        endif()
    endforeach()
    check_linker_flag(CXX LINKER:-z,relro,-z,now GUARD_TAKES_RELRO_NOW)
    if(GUARD_TAKES_RELRO_NOW)
        add_link_options(${relro})
    endif()
endif()

# Fortified functions, at the optimised build types only: glibc warns about them without
# optimisation. A level that a packager's flags or the compiler itself (Ubuntu's) already set
# stands; a second definition would be a redefinition. The sanitizers check the same calls more
# closely and do not mix with it.
function(guard_compiler_fortifies result)
    set(CMAKE_CXX_FLAGS "")  # the compiler's own default, whatever flags were given
    set(CMAKE_REQUIRED_FLAGS -O2)
    set(CMAKE_REQUIRED_QUIET ON)
    check_cxx_source_compiles("
#ifdef _FORTIFY_SOURCE
#error already fortified
#endif
int main() { return 0; }" GUARD_COMPILER_LEAVES_FORTIFY_OFF)
    if(GUARD_COMPILER_LEAVES_FORTIFY_OFF)
        set(${result} OFF PARENT_SCOPE)
    else()
        set(${result} ON PARENT_SCOPE)
    endif()
endfunction()
guard_compiler_fortifies(compiler_fortifies)
set(given_flags ${CMAKE_CXX_FLAGS})
foreach(config RELEASE RELWITHDEBINFO MINSIZEREL)
    string(APPEND given_flags " ${CMAKE_CXX_FLAGS_${config}}")
endforeach()
if(NOT compiler_fortifies AND NOT given_flags MATCHES "_FORTIFY_SOURCE"
        AND NOT GUARD_SANITIZE AND NOT GUARD_FUZZ)
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
