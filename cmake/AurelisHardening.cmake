# Debian's hardening flags, as dpkg-buildflags gives them to packages: fortified
# libc calls, the stack protector, a read-only relocation table bound at start
# (relro, bindnow) and position-independent programs. Release and package
# builds get them; the sanitizer and fuzzing builds do not, as the fortified
# calls check what AddressSanitizer should see, and an unoptimised build cannot
# fortify at all. The optimisation and debug flags stay the build type's.
option(AURELIS_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)

if(AURELIS_HARDENING AND NOT AURELIS_SANITIZE AND NOT AURELIS_FUZZ)
  find_program(AURELIS_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  set(_maint "hardening=+all reproducible=-fixfilepath,-fixdebugpath")
  foreach(_kind CPPFLAGS CXXFLAGS CFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${_maint}
                            ${AURELIS_DPKG_BUILDFLAGS} --get ${_kind}
                    OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(_flags UNIX_COMMAND "${_flags}")
    list(FILTER _flags EXCLUDE REGEX "^-(g|O[0-9s]?)$")
    set(_hardening_${_kind} ${_flags})
  endforeach()
  set(_optimised "$<NOT:$<CONFIG:Debug>>")
  add_compile_options("$<${_optimised}:${_hardening_CPPFLAGS}>"
                      "$<$<AND:${_optimised},$<COMPILE_LANGUAGE:CXX>>:${_hardening_CXXFLAGS}>"
                      "$<$<AND:${_optimised},$<COMPILE_LANGUAGE:C>>:${_hardening_CFLAGS}>")
  add_link_options(${_hardening_LDFLAGS})
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
