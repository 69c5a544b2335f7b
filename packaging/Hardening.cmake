# Debian's hardening flags, as dpkg-buildflags gives them for
# hardening=+all: fortified libc calls, the stack protector, full RELRO with
# bind-now, and PIE (the compiler's default on Debian). Only the hardening
# part is taken: the optimisation and debug flags stay the build type's, and
# the prefix maps (which name the build folder) would keep ccache from
# sharing objects between checkouts. On by default in the release build,
# the one tools/package ships; the sanitizer and fuzz builds go without
# (fortified calls hide faults from AddressSanitizer).
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  option(PELMAR_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
else()
  option(PELMAR_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" OFF)
endif()
if(PELMAR_HARDENING AND NOT PELMAR_SANITIZE AND NOT PELMAR_FUZZ)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT DPKG_BUILDFLAGS)
    message(WARNING "dpkg-buildflags not found: building without Debian's hardening flags")
  else()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                              ${DPKG_BUILDFLAGS} --get ${kind}
                      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      foreach(flag ${flags})
        if(flag MATCHES "^-D_FORTIFY_SOURCE|^-fstack-protector|^-fstack-clash-protection|^-fcf-protection|^-Wformat|^-Werror=format-security")
          add_compile_options(${flag})
        elseif(flag MATCHES "^-Wl,-z,|^-fPIE$|^-pie$")
          add_link_options(${flag})
        endif()
      endforeach()
    endforeach()
  endif()
endif()
