# Finds the VISA implementation installed on this machine: visa.h and its
# shared library, always from one and the same implementation.
#
# VISA_ROOT (a cache variable, else an environment variable) names a folder
# holding include/visa.h and lib/ or lib64/ with the library; when it is set,
# only that folder is searched. VISA_INCLUDE_DIR and VISA_LIBRARY set by hand
# are taken as they are. Without either, each implementation's header and
# library are looked for as a pair, in this order, and the first complete
# pair is taken; the configure says which:
#
#   NI-VISA                          /usr/include/ni-visa, libvisa.so in the system's lib folder
#   R&S VISA                         /usr/include/rsvisa, librsvisa.so in the system's lib folder
#   Keysight IO Libraries            /opt/keysight/iolibs/include, libktvisa32.so in /opt/keysight/iolibs
#   VXIplug&play (/usr/local)        /usr/local/vxipnp/linux/include, libvisa.so in lib64/ or lib/ beside it
#   VXIplug&play (/opt)              /opt/vxipnp/linux/include, the same
#   the compiler's default folders   visa.h and libvisa.so where the compiler finds them
#
# VISA_SEARCH_ROOT (empty by default) puts the usual folders under another
# root, as in a sysroot.
#
# Defines the imported target VISA::VISA, and VISA_FOUND, VISA_INCLUDE_DIR,
# VISA_LIBRARY. Whatever is not found, or a library that does not link for
# this machine, stops the configure with one message.

include(${CMAKE_CURRENT_LIST_DIR}/SfpFindLibrary.cmake)

set(visa_holds "include/visa.h and, in lib/ or lib64/, the VISA library")
sfp_find_hint(VISA_ROOT visa_hint "${visa_holds}")
sfp_forget_when_hint_changes(VISA_ROOT "${visa_hint}" VISA_INCLUDE_DIR VISA_LIBRARY)
set(VISA_SEARCH_ROOT "" CACHE PATH "Root the usual VISA folders are looked for under (empty: /)")
set(visa_set_to "the folder that holds ${visa_holds}")

# sfp_visa_pair(<name> HEADERS <folders...> LIBRARIES <folders...> NAMES <library names...>)
# Takes the implementation when both its header and its library are there.
function(sfp_visa_pair name)
  cmake_parse_arguments(P "" "" "HEADERS;LIBRARIES;NAMES" ${ARGN})
  if(VISA_INCLUDE_DIR AND VISA_LIBRARY)
    return()
  endif()
  set(header "")
  foreach(folder ${P_HEADERS})
    if(EXISTS "${folder}/visa.h")
      set(header "${folder}")
      break()
    endif()
  endforeach()
  set(library "")
  foreach(folder ${P_LIBRARIES})
    foreach(lib ${P_NAMES})
      if(NOT library AND EXISTS "${folder}/lib${lib}.so")
        set(library "${folder}/lib${lib}.so")
      endif()
    endforeach()
  endforeach()
  if(header AND library)
    set(VISA_INCLUDE_DIR "${header}" CACHE PATH "Folder of visa.h" FORCE)
    set(VISA_LIBRARY "${library}" CACHE FILEPATH "The VISA library" FORCE)
    set(VISA_IMPLEMENTATION "${name}" CACHE INTERNAL "The VISA implementation taken")
    return()
  endif()
  if(header)
    set(state "its header is there, no library")
  elseif(library)
    set(state "its library is there, no visa.h")
  else()
    set(state "not there")
  endif()
  set_property(GLOBAL APPEND PROPERTY SFP_VISA_TRIED
    "${name}: ${state} (${P_HEADERS} / ${P_LIBRARIES})")
endfunction()

if(visa_hint OR (VISA_INCLUDE_DIR AND NOT VISA_LIBRARY) OR (VISA_LIBRARY AND NOT VISA_INCLUDE_DIR))
  # A hint, or half a pair given by hand: the other half from there.
  sfp_find_file(HEADER VISA_INCLUDE_DIR NAMES visa.h
    HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
    FOLDERS /usr/include/ni-visa /usr/include/rsvisa /opt/keysight/iolibs/include
            /usr/local/vxipnp/linux/include /opt/vxipnp/linux/include)
  sfp_find_file(LIBRARY VISA_LIBRARY NAMES visa rsvisa ktvisa32
    HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
    ALSO_FOUND "(Its header was found: ${VISA_INCLUDE_DIR}/visa.h.)"
    FOLDERS /usr/local/vxipnp/linux/lib64 /opt/keysight/iolibs)
  if(visa_hint)
    set(VISA_IMPLEMENTATION "the one in ${visa_hint}" CACHE INTERNAL "The VISA implementation taken")
  else()
    set(VISA_IMPLEMENTATION "given by hand" CACHE INTERNAL "The VISA implementation taken")
  endif()
elseif(NOT (VISA_INCLUDE_DIR AND VISA_LIBRARY))
  set(r "${VISA_SEARCH_ROOT}")
  set(system_libs "")
  if(CMAKE_LIBRARY_ARCHITECTURE)
    list(APPEND system_libs "${r}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}")
  endif()
  list(APPEND system_libs "${r}/usr/lib64" "${r}/usr/lib" "${r}/usr/local/lib")
  set_property(GLOBAL PROPERTY SFP_VISA_TRIED "")
  sfp_visa_pair("NI-VISA" HEADERS "${r}/usr/include/ni-visa" LIBRARIES ${system_libs} NAMES visa)
  sfp_visa_pair("R&S VISA" HEADERS "${r}/usr/include/rsvisa" LIBRARIES ${system_libs} NAMES rsvisa)
  sfp_visa_pair("Keysight IO Libraries" HEADERS "${r}/opt/keysight/iolibs/include"
    LIBRARIES "${r}/opt/keysight/iolibs" "${r}/opt/keysight/iolibs/lib" NAMES ktvisa32)
  foreach(framework "${r}/usr/local/vxipnp/linux" "${r}/opt/vxipnp/linux")
    sfp_library_folders(framework_libs "${framework}")
    sfp_visa_pair("VXIplug&play in ${framework}" HEADERS "${framework}/include"
      LIBRARIES ${framework_libs} NAMES visa)
  endforeach()
  sfp_visa_pair("the compiler's default folders" HEADERS ${CMAKE_C_IMPLICIT_INCLUDE_DIRECTORIES}
    LIBRARIES ${CMAKE_C_IMPLICIT_LINK_DIRECTORIES} NAMES visa)
  if(NOT (VISA_INCLUDE_DIR AND VISA_LIBRARY))
    get_property(tried GLOBAL PROPERTY SFP_VISA_TRIED)
    list(JOIN tried "\n    " tried)
    message(FATAL_ERROR
      "VISA: no implementation with both visa.h and its library. Looked for, in this order:\n"
      "    ${tried}\n"
      "Set VISA_ROOT (-DVISA_ROOT=<folder> or an environment variable of that name) to "
      "${visa_set_to}, or VISA_INCLUDE_DIR and VISA_LIBRARY to the two files' places.")
  endif()
endif()
if(NOT DEFINED VISA_IMPLEMENTATION)
  set(VISA_IMPLEMENTATION "given by hand" CACHE INTERNAL "The VISA implementation taken")
endif()
message(STATUS "VISA: ${VISA_IMPLEMENTATION} (${VISA_INCLUDE_DIR}/visa.h, ${VISA_LIBRARY})")

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
unset(visa_set_to)
unset(visa_holds)
