# The protections a distribution's own build flags give, for every target, so that a plain
# `make` builds a program as hardened as a packaged one. Each is checked first: a tool chain that
# lacks one still builds, without it.
include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
check_pie_supported(LANGUAGES CXX)

check_cxx_compiler_flag(-fstack-protector-strong GUARD_HAS_STACK_PROTECTOR_STRONG)
if(GUARD_HAS_STACK_PROTECTOR_STRONG)
    add_compile_options(-fstack-protector-strong)
endif()
check_cxx_compiler_flag(-fstack-clash-protection GUARD_HAS_STACK_CLASH_PROTECTION)
if(GUARD_HAS_STACK_CLASH_PROTECTION)
    add_compile_options(-fstack-clash-protection)
endif()
# Control-flow protection (Intel CET): x86 only, which the check finds out.
check_cxx_compiler_flag(-fcf-protection GUARD_HAS_CF_PROTECTION)
if(GUARD_HAS_CF_PROTECTION)
    add_compile_options(-fcf-protection)
endif()

# Read-only relocations, resolved at start-up rather than on first call.
check_linker_flag(CXX LINKER:-z,relro GUARD_HAS_RELRO)
check_linker_flag(CXX LINKER:-z,now GUARD_HAS_BIND_NOW)
if(GUARD_HAS_RELRO AND GUARD_HAS_BIND_NOW)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
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
