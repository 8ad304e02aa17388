# A build for the Debian package (-DSFP_DEBIAN_PACKAGE=ON): Debian's
# hardening flags from dpkg-buildflags, taken by the build itself; no path of
# the build machine in the binaries; the installed RUNPATH from the start; and
# a strip that also drops the compiler's .comment section. Two such builds of
# one commit in two build folders give the same bytes.

option(SFP_DEBIAN_PACKAGE "Build for the Debian package: dpkg-buildflags, reproducible paths" OFF)
if(NOT SFP_DEBIAN_PACKAGE)
  return()
endif()

find_program(SFP_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT SFP_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "SFP_DEBIAN_PACKAGE needs dpkg-buildflags (Debian package dpkg-dev).")
endif()
foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  # From the source folder: its file-prefix map then names the checkout.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${SFP_DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE sfp_flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE sfp_status)
  if(NOT sfp_status EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${sfp_status})")
  endif()
  separate_arguments(sfp_${kind} UNIX_COMMAND "${sfp_flags}")
endforeach()
message(STATUS "Debian build flags: ${sfp_CPPFLAGS} ${sfp_CXXFLAGS} ${sfp_LDFLAGS}")
add_compile_options(${sfp_CPPFLAGS} "$<$<COMPILE_LANGUAGE:C>:${sfp_CFLAGS}>"
  "$<$<COMPILE_LANGUAGE:CXX>:${sfp_CXXFLAGS}>"
  # Generated sources (moc, rcc) live in the build folder.
  -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
add_link_options(${sfp_LDFLAGS})

set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
configure_file(${PROJECT_SOURCE_DIR}/packaging/strip-comment.in
  ${PROJECT_BINARY_DIR}/packaging/strip-comment @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                   WORLD_EXECUTE)
set(CMAKE_STRIP ${PROJECT_BINARY_DIR}/packaging/strip-comment)
unset(sfp_flags)
unset(sfp_status)
