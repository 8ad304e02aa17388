# Debian's documentation files, installed with the panel, and the Debian
# package. In a build folder configured with -DCMAKE_INSTALL_PREFIX=/usr
# (so that the private library folder is /usr/lib/<multiarch>/qm7240fp) and
# -DSFP_DEBIAN_PACKAGE=ON (Debian's build flags, cmake/DebianBuildFlags.cmake):
#   cpack -G DEB        gives qm7240fp_<version>_<arch>.deb

set(SFP_PACKAGE_MAINTAINER "Marvane Soft Front Panel Team <sfp@marvane.com>"
  CACHE STRING "Maintainer field of the Debian package")

# Packaging needs gzip for Debian's documentation, dpkg for the package and
# a changelog entry for this version. A build folder without them still
# builds and tests; it says once what it leaves out.
find_program(SFP_GZIP gzip)
find_program(SFP_DPKG dpkg)
find_program(SFP_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(SFP_DPKG_PARSECHANGELOG dpkg-parsechangelog)
set(sfp_packaging_lacks "")
if(NOT SFP_GZIP OR NOT EXISTS "${SFP_GZIP}")
  list(APPEND sfp_packaging_lacks "gzip")
endif()
foreach(sfp_tool SFP_DPKG SFP_DPKG_SHLIBDEPS SFP_DPKG_PARSECHANGELOG)
  if(NOT ${sfp_tool} OR NOT EXISTS "${${sfp_tool}}")
    set(sfp_lacks_dpkg TRUE)
  endif()
endforeach()
if(sfp_lacks_dpkg)
  list(APPEND sfp_packaging_lacks "dpkg and dpkg-dev")
endif()
# The package's version is the project's; the changelog must say so, or the
# package would describe another release.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog sfp_changelog_head LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
if(NOT sfp_changelog_head MATCHES "^qm7240fp \\(${PROJECT_VERSION}\\) ")
  list(APPEND sfp_packaging_lacks
    "an entry for version ${PROJECT_VERSION} at the top of packaging/changelog")
endif()
if(sfp_packaging_lacks)
  list(JOIN sfp_packaging_lacks ", " sfp_packaging_lacks)
  message(WARNING "No Debian package from this build folder (cpack is not set up) and no "
    "compressed changelog or manual page in its install: it lacks ${sfp_packaging_lacks}.")
  return()
endif()

# Compressed as Debian wants them: gzip -9n keeps no name or time stamp, so
# the same text always gives the same bytes.
set(sfp_doc_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${sfp_doc_out})
foreach(sfp_doc changelog qm7240fp.1)
  execute_process(COMMAND ${SFP_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/${sfp_doc}
    OUTPUT_FILE ${sfp_doc_out}/${sfp_doc}.gz RESULT_VARIABLE sfp_gzip_status)
  if(NOT sfp_gzip_status EQUAL 0)
    message(FATAL_ERROR "gzip -9n packaging/${sfp_doc} failed (${sfp_gzip_status})")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${sfp_doc})
endforeach()

# Every time stamp in the package is the changelog's date, so that two builds
# of one commit give the same bytes; cpack reads it from this file.
execute_process(COMMAND ${SFP_DPKG_PARSECHANGELOG} -l ${PROJECT_SOURCE_DIR}/packaging/changelog
                        -S Timestamp
  OUTPUT_VARIABLE sfp_source_date OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE sfp_status)
if(NOT sfp_status EQUAL 0 OR NOT sfp_source_date MATCHES "^[0-9]+$")
  message(FATAL_ERROR "dpkg-parsechangelog cannot read the date of packaging/changelog")
endif()
file(WRITE ${sfp_doc_out}/CPackProjectConfig.cmake
  "set(ENV{SOURCE_DATE_EPOCH} ${sfp_source_date})\n")
set(CPACK_PROJECT_CONFIG_FILE ${sfp_doc_out}/CPackProjectConfig.cmake)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${sfp_doc_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qm7240fp)
install(FILES ${sfp_doc_out}/qm7240fp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# What lintian must not count against the package, each with its reason.
if(SFP_DEBIAN_PACKAGE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/qm7240fp.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME qm7240fp)
endif()

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
# Loaded by name at run time, so dpkg-shlibdeps cannot see them: with Qt 5 the
# Plastique style; Qt 6 has no Plastique (its package uses Fusion, built into
# Qt), and its X platform plugin, which Qt 6's GUI library only recommends.
# The Wayland platform plugin is recommended: a desktop session that offers
# only Wayland needs it, one with X11 does not.
if(SFP_QT_MAJOR STREQUAL "5")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt5-style-plugin-plastique)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qtwayland5)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
endif()

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
