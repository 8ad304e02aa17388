# Finds the VISA implementation installed on this machine: visa.h and its
# shared library, always from one and the same implementation.
#
# VISA_ROOT (a cache variable, else an environment variable) names a folder
# holding include/visa.h and lib/ or lib64/ with the library; when it is set,
# only that folder is searched. VISA_INCLUDE_DIR and VISA_LIBRARY set by hand
# are taken as they are; one of them alone is paired only with its vendor's
# counterpart, where that vendor puts it. Without either, each
# implementation's header and library are looked for as a pair, in this
# order, and the first complete pair is taken; the configure says which:
#
#   NI-VISA                          /usr/include/ni-visa, libvisa.so in the system's lib folder
#   R&S VISA                         /usr/include/rsvisa, librsvisa.so in the system's lib folder
#   Keysight IO Libraries            /opt/keysight/iolibs/include, libktvisa32.so in /opt/keysight/iolibs
#   VXIplug&play (/usr/local)        /usr/local/vxipnp/linux/include, libvisa.so in lib64/ or lib/ beside it
#   VXIplug&play (/opt)              /opt/vxipnp/linux/include, the same
#   the compiler's default folders   visa.h and libvisa.so where the compiler finds them
#
# VISA_SEARCH_ROOT (empty by default) puts the usual folders under another
# root, as in a sysroot; changing it searches again. The NI and R&S pairs take
# their library only from the system folders of their header's installation
# (/usr/lib, not /usr/local/lib).
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
# A pair found under one root says nothing of another; a pair set by hand stays.
if(DEFINED _SFP_VISA_FOUND_PAIR
   AND NOT "${_SFP_VISA_FOUND_ROOT}" STREQUAL "${VISA_SEARCH_ROOT}"
   AND "${VISA_INCLUDE_DIR};${VISA_LIBRARY}" STREQUAL "${_SFP_VISA_FOUND_PAIR}")
  unset(VISA_INCLUDE_DIR CACHE)
  unset(VISA_LIBRARY CACHE)
  unset(VISA_IMPLEMENTATION CACHE)
endif()

# The library folders of an installation under <prefix> (/usr, say): the
# system's own layout, without /usr/local, which is another installation.
function(sfp_visa_system_libs out prefix)
  set(folders "")
  if(CMAKE_LIBRARY_ARCHITECTURE)
    list(APPEND folders "${prefix}/lib/${CMAKE_LIBRARY_ARCHITECTURE}")
  endif()
  list(APPEND folders "${prefix}/lib64" "${prefix}/lib")
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# sfp_visa_counterpart(<HEADER|LIBRARY> <given> <vendor out> <folders out> <names out>)
# Where the other half of a pair lies, from the place of the half given by
# hand: the vendor's own layout, so that one vendor's header never meets
# another's library. For a header, <given> is its folder; for a library, the file.
function(sfp_visa_counterpart kind given vendor_out folders_out names_out)
  set(folders "")
  if(kind STREQUAL "HEADER")
    set(names visa)
    if(given MATCHES "^(.*)/include/ni-visa$")
      set(vendor "NI-VISA")
      sfp_visa_system_libs(folders "${CMAKE_MATCH_1}")
    elseif(given MATCHES "^(.*)/include/rsvisa$")
      set(vendor "R&S VISA")
      set(names rsvisa)
      sfp_visa_system_libs(folders "${CMAKE_MATCH_1}")
    elseif(given MATCHES "^(.*/iolibs)/include$")
      set(vendor "Keysight IO Libraries")
      set(names ktvisa32)
      set(folders "${CMAKE_MATCH_1}" "${CMAKE_MATCH_1}/lib")
    else()
      # The VXIplug&play framework, or an installation of its own: lib/ beside include/.
      get_filename_component(prefix "${given}" DIRECTORY)
      set(vendor "the installation in ${prefix}")
      sfp_library_folders(folders "${prefix}")
    endif()
  else()
    get_filename_component(folder "${given}" DIRECTORY)
    get_filename_component(name "${given}" NAME)
    string(REGEX REPLACE "/(lib64|lib32|lib(/[^/]+)?)$" "" prefix "${folder}")
    if(name MATCHES "^libktvisa32\\.so")
      set(vendor "Keysight IO Libraries")
      set(folders "${prefix}/include" "${folder}/include")
    elseif(name MATCHES "^librsvisa\\.so")
      set(vendor "R&S VISA")
      set(folders "${prefix}/include/rsvisa")
    elseif(prefix STREQUAL "${VISA_SEARCH_ROOT}/usr")
      # A bare libvisa.so in the system's folders is NI's, with NI's header only.
      set(vendor "NI-VISA")
      set(folders "${prefix}/include/ni-visa")
    else()
      set(vendor "the installation in ${prefix}")
      set(folders "${prefix}/include/ni-visa" "${prefix}/include")
    endif()
    list(REMOVE_DUPLICATES folders)
  endif()
  set(${vendor_out} "${vendor}" PARENT_SCOPE)
  set(${folders_out} ${folders} PARENT_SCOPE)
  if(DEFINED names)
    set(${names_out} ${names} PARENT_SCOPE)
  endif()
endfunction()

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
    set(_SFP_VISA_FOUND_PAIR "${header};${library}" CACHE INTERNAL "The pair the search found")
    set(_SFP_VISA_FOUND_ROOT "${VISA_SEARCH_ROOT}" CACHE INTERNAL "The root it was found under")
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

if(NOT visa_hint AND ((VISA_INCLUDE_DIR AND NOT VISA_LIBRARY) OR
                       (VISA_LIBRARY AND NOT VISA_INCLUDE_DIR)))
  # Half a pair given by hand: the other half from the same vendor's installation.
  if(VISA_INCLUDE_DIR)
    sfp_visa_counterpart(HEADER "${VISA_INCLUDE_DIR}" vendor folders names)
    find_library(VISA_LIBRARY NAMES ${names} NAMES_PER_DIR PATHS ${folders} NO_DEFAULT_PATH
      DOC "The VISA library")
    set(given "visa.h (${VISA_INCLUDE_DIR})")
    set(wanted "its library (lib${names}.so)")
    set(other VISA_LIBRARY)
  else()
    sfp_visa_counterpart(LIBRARY "${VISA_LIBRARY}" vendor folders names)
    find_path(VISA_INCLUDE_DIR NAMES visa.h PATHS ${folders} NO_DEFAULT_PATH
      DOC "Folder of visa.h")
    set(given "the library ${VISA_LIBRARY}")
    set(wanted "its visa.h")
    set(other VISA_INCLUDE_DIR)
  endif()
  if(NOT (VISA_INCLUDE_DIR AND VISA_LIBRARY))
    sfp_search_list(searched ${folders})
    message(FATAL_ERROR
      "VISA: ${given} was given by hand and belongs to ${vendor}; ${wanted} is not where "
      "${vendor} puts it. Searched:${searched}\n"
      "Set ${other} to ${vendor}'s file by hand, or VISA_ROOT to ${visa_set_to}.")
  endif()
  set(VISA_IMPLEMENTATION "${vendor}, given by hand" CACHE INTERNAL
    "The VISA implementation taken")
elseif(visa_hint)
  # A hint: both halves from there.
  sfp_find_file(HEADER VISA_INCLUDE_DIR NAMES visa.h
    HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
    FOLDERS /usr/include/ni-visa /usr/include/rsvisa /opt/keysight/iolibs/include
            /usr/local/vxipnp/linux/include /opt/vxipnp/linux/include)
  sfp_find_file(LIBRARY VISA_LIBRARY NAMES visa rsvisa ktvisa32
    HINT VISA_ROOT HINT_FOLDER "${visa_hint}" ROLE "VISA" SET_TO "${visa_set_to}"
    ALSO_FOUND "(Its header was found: ${VISA_INCLUDE_DIR}/visa.h.)"
    FOLDERS /usr/local/vxipnp/linux/lib64 /opt/keysight/iolibs)
  set(VISA_IMPLEMENTATION "the one in ${visa_hint}" CACHE INTERNAL "The VISA implementation taken")
elseif(NOT (VISA_INCLUDE_DIR AND VISA_LIBRARY))
  set(r "${VISA_SEARCH_ROOT}")
  # NI's and R&S's libraries only from the installation their header is in.
  sfp_visa_system_libs(system_libs "${r}/usr")
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
