# Debian's documentation files, installed with the panel, and the Debian
# package. In a build folder configured with -DCMAKE_INSTALL_PREFIX=/usr
# (so that the private library folder is /usr/lib/<multiarch>/qm7240fp):
#   cpack -G DEB        gives qm7240fp_<version>_<arch>.deb

set(SFP_PACKAGE_MAINTAINER "Marvane Soft Front Panel Team <sfp@marvane.com>"
  CACHE STRING "Maintainer field of the Debian package")

# The package's version is the project's; the changelog must say so, or the
# package would describe another release.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog sfp_changelog_head LIMIT_COUNT 1)
if(NOT sfp_changelog_head MATCHES "^qm7240fp \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog begins with \"${sfp_changelog_head}\", but the project "
    "is version ${PROJECT_VERSION}: add an entry for it at the top of packaging/changelog.")
endif()

# Compressed as Debian wants them: gzip -9n keeps no name or time stamp, so
# the same text always gives the same bytes.
set(sfp_doc_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${sfp_doc_out})
foreach(sfp_doc changelog qm7240fp.1)
  execute_process(COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/${sfp_doc}
    OUTPUT_FILE ${sfp_doc_out}/${sfp_doc}.gz RESULT_VARIABLE sfp_gzip_status)
  if(NOT sfp_gzip_status EQUAL 0)
    message(FATAL_ERROR "gzip -9n packaging/${sfp_doc} failed (${sfp_gzip_status}): is gzip installed?")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${sfp_doc})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${sfp_doc_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qm7240fp)
install(FILES ${sfp_doc_out}/qm7240fp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qm7240fp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Marvane)
set(CPACK_PACKAGE_CONTACT "${SFP_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the panel: the stand-ins' vendor-style headers and libraries are a
# component of their own, for trying a system build, and never packaged.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};panel;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SFP_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR}/qm7240fp)
# Loaded by name at run time, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt5-style-plugin-plastique)

string(CONCAT sfp_description
  "soft front panel for the Vorilan 7240 DAC function card\n"
  "The Vorilan 7240 is a 16-channel DAC function card that sits in a VXI\n"
  "mainframe module or a LAN (LXI) carrier and is reached through VISA. This\n"
  "desktop program finds the card (probing every VISA resource, or from a\n"
  "typed descriptor and card number), sets the range of each current group,\n"
  "writes channel values quantised to the card's 16-bit grid, shows the\n"
  "output-error lamps of the current channels and resets the card.\n")
if(SFP_PLATFORM STREQUAL "simulated")
  string(APPEND sfp_description
    "This build carries stand-ins for VISA and the card drivers, in a private\n"
    "library folder, serving a simulated instrument system: a built-in one,\n"
    "or the one the YAML file named by VISA_SIM_FILE describes. It drives no\n"
    "real hardware.\n")
else()
  string(APPEND sfp_description
    "This build uses the VISA implementation and card drivers installed on\n"
    "the machine it was built on.\n")
endif()
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${sfp_description}")

include(CPack)
