# Release builds are hardened the way Debian builds its packages: PIE,
# -fstack-protector-strong, -D_FORTIFY_SOURCE=2, full RELRO with -z now.
# The flags come from dpkg-buildflags when it is there (so they follow
# Debian's policy and honour DEB_*_APPEND and the like), otherwise from the
# list below. The build type keeps choosing -O and -g. Only for programs that
# run on Linux: a WebAssembly build has no use for them.
option(DRAVIK_HARDEN "Build Release binaries with Debian's hardening flags" ON)
if(NOT DRAVIK_HARDEN OR NOT CMAKE_BUILD_TYPE STREQUAL "Release" OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # Run from the source folder: its -ffile-prefix-map then maps the sources to ".".
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
    set(hardening_${kind} ${flags})
  endforeach()
else()
  set(hardening_CPPFLAGS -D_FORTIFY_SOURCE=2)
  set(hardening_CXXFLAGS -fstack-protector-strong -Wformat -Werror=format-security)
  set(hardening_LDFLAGS -Wl,-z,relro -Wl,-z,now)
endif()
add_compile_options(${hardening_CPPFLAGS} ${hardening_CXXFLAGS})
add_link_options(${hardening_LDFLAGS})

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
