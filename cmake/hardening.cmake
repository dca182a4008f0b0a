# Debian's hardening flags, as dpkg-buildflags gives them, for the programs
# the package ships: fortified libc calls where the optimiser can see the
# sizes, a stack protector, position-independent executables and a read-only
# relocation table bound at start (on Linux). A sanitised or fuzzing build checks more
# than these do, and the stack protector would move the over-aligned locals
# that AddressSanitizer's own stack frames keep in place, so those builds go
# without. Fortification needs optimisation: not in Debug.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(KRYVET_FUZZ OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    return()
endif()
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
if(WIN32)
    # PE has no RELRO; the linker marks the programs for ASLR and DEP by
    # default. The protector's runtime (libssp) is linked in.
    add_link_options(-fstack-protector-strong)
else()
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
