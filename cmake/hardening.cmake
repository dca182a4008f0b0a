# Debian's hardening flags, as dpkg-buildflags gives them, for the programs
# the package ships: fortified libc calls where the optimiser can see the
# sizes, a stack protector, position-independent executables and a read-only
# relocation table bound at start. Fortification needs optimisation, and a
# sanitised build checks more than it does, so those leave it out.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
if(NOT KRYVET_FUZZ AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
