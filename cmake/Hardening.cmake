# The hardening Debian builds its packages with: fortified libc calls, stack protection, a
# position-independent executable, and relocations made read-only before main runs (relro, now).
# The sanitizer and fuzzing builds do without: they instrument the same calls themselves.
if(QUILLET_SANITIZE OR QUILLET_FUZZ)
    return()
endif()
# A Windows program gets the loader's own protections: address randomisation, also above 4 GB,
# and no execution from data pages.
if(WIN32)
    add_link_options(-Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
    return()
endif()
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Fortification needs the optimiser, so a Debug build goes without it.
add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>
    -fstack-protector-strong -fstack-clash-protection -fcf-protection -Wformat -Werror=format-security)
add_link_options(-Wl,-z,relro -Wl,-z,now)
