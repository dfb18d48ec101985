# The hardening a Debian build applies, for every program in every build type we ship or test.
#
# Stack protector, format-string checks, full RELRO with immediate binding and position-independent
# executables hold everywhere. _FORTIFY_SOURCE needs the optimiser to see buffer sizes, so it is
# defined only for the optimised configurations; the sanitizer build is a Debug build, and the
# address sanitizer replaces the very functions fortification would check, so it never gets it.

include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
if(NOT CORVANE_SANITIZE)
  # Undefine first so a builder's own CPPFLAGS with another level do not collide with ours.
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
