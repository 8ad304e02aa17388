# Finds the VISA implementation installed on this machine: visa.h and its
# shared library.
#
# VISA_ROOT (a cache variable, else an environment variable) names a folder
# holding include/visa.h and lib/ or lib64/ with the library; when it is set,
# only that folder is searched. Without it, the folders where the VISA
# implementations for Linux usually put their files come first, then the
# compiler's default folders:
#
#   /usr/include/ni-visa               NI-VISA (library in the system's lib folder)
#   /usr/include/rsvisa                R&S VISA (librsvisa.so in the system's lib folder)
#   /opt/keysight/iolibs/include       Keysight IO Libraries (libktvisa32.so in /opt/keysight/iolibs)
#   /usr/local/vxipnp/linux/include    the VXIplug&play framework folder (lib64/, lib/ beside it)
#   /opt/vxipnp/linux/include
#
# Defines the imported target VISA::VISA, and VISA_FOUND, VISA_INCLUDE_DIR,
# VISA_LIBRARY (set the last two directly to take a file the search misses).
# Whatever is not found, or a library that does not link for this machine,
# stops the configure with one message.

include(${CMAKE_CURRENT_LIST_DIR}/SfpFindLibrary.cmake)

set(visa_holds "include/visa.h and, in lib/ or lib64/, the VISA library")
sfp_find_hint(VISA_ROOT visa_hint "${visa_holds}")
sfp_forget_when_hint_changes(VISA_ROOT "${visa_hint}" VISA_INCLUDE_DIR VISA_LIBRARY)

set(visa_frameworks /usr/local/vxipnp/linux /opt/vxipnp/linux)
sfp_library_folders(visa_library_folders ${visa_frameworks})
set(visa_set_to "the folder that holds ${visa_holds}")

sfp_find_file(HEADER VISA_INCLUDE_DIR NAMES visa.h
  HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
  FOLDERS /usr/include/ni-visa /usr/include/rsvisa /opt/keysight/iolibs/include
          /usr/local/vxipnp/linux/include /opt/vxipnp/linux/include)
sfp_find_file(LIBRARY VISA_LIBRARY NAMES visa rsvisa ktvisa32
  HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
  ALSO_FOUND "(Its header was found: ${VISA_INCLUDE_DIR}/visa.h.)"
  FOLDERS ${visa_library_folders} /opt/keysight/iolibs /opt/keysight/iolibs/lib)

sfp_check_library("${VISA_LIBRARY}" VISA_ROOT HEADER visa.h SYMBOL viOpenDefaultRM
  INCLUDE_DIRS "${VISA_INCLUDE_DIR}")

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(VISA REQUIRED_VARS VISA_LIBRARY VISA_INCLUDE_DIR)

if(VISA_FOUND AND NOT TARGET VISA::VISA)
  add_library(VISA::VISA SHARED IMPORTED)
  set_target_properties(VISA::VISA PROPERTIES
    IMPORTED_LOCATION "${VISA_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${VISA_INCLUDE_DIR}")
endif()
unset(visa_hint)
unset(visa_frameworks)
unset(visa_library_folders)
unset(visa_set_to)
unset(visa_holds)
