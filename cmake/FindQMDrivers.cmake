# Finds the card drivers installed on this machine: the maker's common driver
# library (qm6080.h, libqm6080.so) and the 7240's instrument driver (qm7240.h,
# libqm7240.so). Both are built on VISA, which is found first (FindVISA.cmake).
#
# QM_DRIVERS_ROOT (a cache variable, else an environment variable) names a
# folder holding include/ and lib/ or lib64/ with both; when it is set, only
# that folder is searched. Without it, the VXIplug&play framework folders
# where instrument drivers install (/usr/local/vxipnp/linux, /opt/vxipnp/linux:
# include/ and lib64/ or lib/), then the compiler's default folders.
#
# Defines the imported targets QMDrivers::qm6080 and QMDrivers::qm7240, and
# QMDrivers_FOUND, QM6080_INCLUDE_DIR, QM7240_INCLUDE_DIR, QM6080_LIBRARY,
# QM7240_LIBRARY. Whatever is not found, or a library that does not link for
# this machine, stops the configure with one message.

include(${CMAKE_CURRENT_LIST_DIR}/SfpFindLibrary.cmake)
if(NOT TARGET VISA::VISA)
  find_package(VISA REQUIRED)
endif()

sfp_find_hint(QM_DRIVERS_ROOT qm_hint
  "include/qm6080.h and include/qm7240.h, and lib/ or lib64/ with libqm6080.so and libqm7240.so")
sfp_forget_when_hint_changes(QM_DRIVERS_ROOT "${qm_hint}"
  QM6080_INCLUDE_DIR QM7240_INCLUDE_DIR QM6080_LIBRARY QM7240_LIBRARY)

set(qm_frameworks /usr/local/vxipnp/linux /opt/vxipnp/linux)
sfp_library_folders(qm_library_folders ${qm_frameworks})
set(qm_include_folders /usr/local/vxipnp/linux/include /opt/vxipnp/linux/include)

foreach(qm_driver qm6080 qm7240)
  string(TOUPPER ${qm_driver} qm_upper)
  if(qm_driver STREQUAL "qm6080")
    set(qm_role "The common driver library")
    set(qm_symbol qm6080_revisionText)
  else()
    set(qm_role "The 7240 instrument driver")
    set(qm_symbol qm7240_init)
  endif()
  set(qm_set_to "the folder that holds include/${qm_driver}.h and, in lib/ or lib64/, lib${qm_driver}.so")
  sfp_find_file(HEADER ${qm_upper}_INCLUDE_DIR NAMES ${qm_driver}.h
    HINT QM_DRIVERS_ROOT HINT_FOLDER "${qm_hint}" ROLE "${qm_role}" SET_TO "${qm_set_to}"
    FOLDERS ${qm_include_folders})
  sfp_find_file(LIBRARY ${qm_upper}_LIBRARY NAMES ${qm_driver}
    HINT QM_DRIVERS_ROOT HINT_FOLDER "${qm_hint}" ROLE "${qm_role}" SET_TO "${qm_set_to}"
    ALSO_FOUND "(Its header was found: ${${qm_upper}_INCLUDE_DIR}/${qm_driver}.h.)"
    FOLDERS ${qm_library_folders})
  sfp_check_library("${${qm_upper}_LIBRARY}" QM_DRIVERS_ROOT HEADER ${qm_driver}.h
    SYMBOL ${qm_symbol} INCLUDE_DIRS "${${qm_upper}_INCLUDE_DIR};${VISA_INCLUDE_DIR}"
    LINK_WITH "${VISA_LIBRARY}")
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(QMDrivers
  REQUIRED_VARS QM6080_LIBRARY QM6080_INCLUDE_DIR QM7240_LIBRARY QM7240_INCLUDE_DIR)

if(QMDrivers_FOUND)
  foreach(qm_driver qm6080 qm7240)
    string(TOUPPER ${qm_driver} qm_upper)
    if(NOT TARGET QMDrivers::${qm_driver})
      add_library(QMDrivers::${qm_driver} SHARED IMPORTED)
      set_target_properties(QMDrivers::${qm_driver} PROPERTIES
        IMPORTED_LOCATION "${${qm_upper}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${${qm_upper}_INCLUDE_DIR}"
        INTERFACE_LINK_LIBRARIES VISA::VISA)
    endif()
  endforeach()
endif()
foreach(qm_var qm_hint qm_frameworks qm_library_folders qm_include_folders qm_driver qm_upper
               qm_role qm_symbol qm_set_to)
  unset(${qm_var})
endforeach()
