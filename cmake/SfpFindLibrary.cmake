# Helpers shared by FindVISA.cmake and FindQMDrivers.cmake: each library the
# panel talks to the card through is a C header and a shared library, found
# under a hint folder or in the folders where its makers install it, and
# checked at configure time so that a wrong file stops the configure with one
# message instead of failing the link much later.

include_guard(GLOBAL)

# sfp_find_hint(<hint variable> <out variable> <what the folder holds>)
# Reads the hint from the cache (or a -D on the command line) first, then from
# the environment. Sets <out> to the folder, or to "" without a hint. A hint
# that names no folder stops the configure: silently searching elsewhere would build against
# a library the user did not ask for.
function(sfp_find_hint hint out holds)
  # A PATH entry: a relative -D${hint}=... is taken from the folder cmake runs in.
  set(${hint} "" CACHE PATH "Folder holding ${holds}")
  set(origin "")
  if(NOT "${${hint}}" STREQUAL "")
    set(folder "${${hint}}")
    set(origin "the CMake variable ${hint}")
  elseif(NOT "$ENV{${hint}}" STREQUAL "")
    set(folder "$ENV{${hint}}")
    set(origin "the environment variable ${hint}")
  else()
    set(folder "")
  endif()
  if(folder)
    if(DEFINED ENV{PWD})
      get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "$ENV{PWD}")
    else()
      get_filename_component(folder "${folder}" ABSOLUTE)
    endif()
    if(NOT IS_DIRECTORY "${folder}")
      message(FATAL_ERROR
        "${hint} names ${folder}, which is not a folder (set by ${origin}).\n"
        "Set ${hint} to the folder that holds ${holds}, or leave it unset to search "
        "the usual folders.")
    endif()
  endif()
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

# sfp_forget_when_hint_changes(<hint> <hint folder> <cache variables...>)
# find_path and find_library keep their results in the cache; a changed hint
# (or a found file that has gone) must search again rather than reuse them.
function(sfp_forget_when_hint_changes hint folder)
  set(used_var _SFP_${hint}_USED)
  foreach(var ${ARGN})
    if(NOT "${${used_var}}" STREQUAL "${folder}" OR (${var} AND NOT EXISTS "${${var}}"))
      unset(${var} CACHE)
    endif()
  endforeach()
  set(${used_var} "${folder}" CACHE INTERNAL "Hint the cached ${hint} results were found with")
endfunction()

# The folders a header or library is searched in, one per line, for messages.
function(sfp_search_list out)
  set(text "")
  foreach(folder ${ARGN})
    string(APPEND text "\n    ${folder}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# sfp_find_file(<HEADER|LIBRARY> <cache variable> NAMES <names...>
#               HINT <hint variable> HINT_FOLDER <folder or ""> FOLDERS <usual folders...>
#               ROLE <words> SET_TO <words> [ALSO_FOUND <words>])
# With a hint, only the hint's include/ (headers) or lib/ and lib64/
# (libraries) are searched; without one, the usual folders, then the system's.
# Not finding the file stops the configure with one message naming the files
# looked for, the folders searched and the variable to set.
function(sfp_find_file kind var)
  cmake_parse_arguments(F "" "HINT;HINT_FOLDER;ROLE;SET_TO;ALSO_FOUND" "NAMES;FOLDERS" ${ARGN})
  if(F_HINT_FOLDER)
    if(kind STREQUAL "HEADER")
      set(folders "${F_HINT_FOLDER}/include")
    else()
      sfp_library_folders(folders "${F_HINT_FOLDER}")
    endif()
    set(search PATHS ${folders} NO_DEFAULT_PATH)
    set(defaults "")
  else()
    set(folders ${F_FOLDERS})
    set(search HINTS ${folders} NO_PACKAGE_ROOT_PATH)
    if(kind STREQUAL "HEADER")
      set(defaults ${CMAKE_C_IMPLICIT_INCLUDE_DIRECTORIES})
    else()
      set(defaults ${CMAKE_C_IMPLICIT_LINK_DIRECTORIES})
    endif()
  endif()
  if(kind STREQUAL "HEADER")
    find_path(${var} NAMES ${F_NAMES} ${search} DOC "Folder of ${F_NAMES}")
    set(files ${F_NAMES})
  else()
    find_library(${var} NAMES ${F_NAMES} NAMES_PER_DIR ${search} DOC "The ${F_ROLE} library")
    set(files "")
    foreach(name ${F_NAMES})
      list(APPEND files "lib${name}.so")
    endforeach()
  endif()
  if(${var})
    return()
  endif()
  list(JOIN files " or " files)
  sfp_search_list(searched ${folders} ${defaults})
  if(F_HINT_FOLDER)
    set(tail "")
  else()
    string(CONCAT tail "\n(${F_HINT} is not set, so these are the folders where the usual "
      "installations put it, then the compiler's default folders.)")
  endif()
  if(F_ALSO_FOUND)
    set(also "\n${F_ALSO_FOUND}")
  else()
    set(also "")
  endif()
  message(FATAL_ERROR
    "${F_ROLE}: ${files} not found. Searched:${searched}${tail}${also}\n"
    "Set ${F_HINT} (-D${F_HINT}=<folder> or an environment variable of that name) "
    "to ${F_SET_TO}.")
endfunction()

# The library subfolders of a prefix, the ones of this build's word size first:
# a vendor may put 32- and 64-bit libraries side by side in lib/ and lib64/.
function(sfp_library_folders out)
  set(folders "")
  foreach(prefix ${ARGN})
    if(CMAKE_LIBRARY_ARCHITECTURE)
      list(APPEND folders "${prefix}/lib/${CMAKE_LIBRARY_ARCHITECTURE}")
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      list(APPEND folders "${prefix}/lib64" "${prefix}/lib")
    else()
      list(APPEND folders "${prefix}/lib" "${prefix}/lib32")
    endif()
  endforeach()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# Reads the identity bytes of an ELF file: "<class> <byte order> <machine>"
# (class 1 = 32-bit, 2 = 64-bit; byte order 1 = little, 2 = big endian), or ""
# when the file is not ELF (a linker script, say: the link test judges that).
function(sfp_elf_identity file out)
  set(${out} "" PARENT_SCOPE)
  file(READ "${file}" head LIMIT 20 HEX)
  string(LENGTH "${head}" length)
  if(length LESS 40 OR NOT head MATCHES "^7f454c46")
    return()
  endif()
  string(SUBSTRING "${head}" 8 2 elf_class)
  string(SUBSTRING "${head}" 10 2 byte_order)
  string(SUBSTRING "${head}" 36 2 machine_a)
  string(SUBSTRING "${head}" 38 2 machine_b)
  if(byte_order STREQUAL "02")
    set(machine_hex "${machine_a}${machine_b}")
  else()
    set(machine_hex "${machine_b}${machine_a}")
  endif()
  math(EXPR machine "0x${machine_hex}" OUTPUT_FORMAT DECIMAL)
  math(EXPR elf_class "0x${elf_class}")
  math(EXPR byte_order "0x${byte_order}")
  set(${out} "${elf_class} ${byte_order} ${machine}" PARENT_SCOPE)
endfunction()

# Words for an ELF identity, for messages.
function(sfp_elf_describe identity out)
  separate_arguments(parts UNIX_COMMAND "${identity}")
  list(GET parts 0 elf_class)
  list(GET parts 1 byte_order)
  list(GET parts 2 machine)
  set(names "3=x86 (i386)" "8=MIPS" "20=PowerPC" "21=PowerPC64" "22=S/390" "40=ARM"
            "62=x86-64" "183=AArch64" "243=RISC-V" "258=LoongArch")
  set(name "machine ${machine}")
  foreach(entry ${names})
    if(entry MATCHES "^${machine}=(.*)$")
      set(name "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(elf_class EQUAL 1)
    set(bits "32-bit")
  else()
    set(bits "64-bit")
  endif()
  if(byte_order EQUAL 2)
    set(order ", big-endian")
  else()
    set(order "")
  endif()
  set(${out} "${bits} ${name}${order}" PARENT_SCOPE)
endfunction()

# The ELF identity of what this build's compiler makes, read from a program it
# links; cached, since it cannot change without a new build folder.
function(sfp_target_elf_identity out)
  if(NOT DEFINED _SFP_TARGET_ELF_IDENTITY)
    set(probe "${CMAKE_BINARY_DIR}/CMakeFiles/sfp_elf_probe")
    try_compile(linked SOURCE_FROM_CONTENT elf_probe.c "int main(void) { return 0; }\n"
      COPY_FILE "${probe}" OUTPUT_VARIABLE log)
    set(identity "")
    if(linked)
      sfp_elf_identity("${probe}" identity)
    endif()
    set(_SFP_TARGET_ELF_IDENTITY "${identity}" CACHE INTERNAL "ELF class, byte order, machine of this build's programs")
  endif()
  set(${out} "${_SFP_TARGET_ELF_IDENTITY}" PARENT_SCOPE)
endfunction()

# sfp_check_library(<library file> <hint> HEADER <header> SYMBOL <function>
#                   INCLUDE_DIRS <dirs...> [LINK_WITH <libraries...>])
# Stops the configure when the library is built for another architecture, or
# when a small C program that includes the header and calls one function
# cannot be built and linked against it. A library that passed once is not
# checked again until the file changes.
function(sfp_check_library library hint)
  cmake_parse_arguments(C "" "HEADER;SYMBOL" "INCLUDE_DIRS;LINK_WITH" ${ARGN})
  file(TIMESTAMP "${library}" stamp "%Y%m%d%H%M%S" UTC)
  string(MAKE_C_IDENTIFIER "${library}" key)
  set(checked_var _SFP_CHECKED_${key})
  if("${${checked_var}}" STREQUAL "${stamp}")
    return()
  endif()

  sfp_elf_identity("${library}" found)
  sfp_target_elf_identity(wanted)
  if(found AND wanted AND NOT found STREQUAL wanted)
    sfp_elf_describe("${found}" found_words)
    sfp_elf_describe("${wanted}" wanted_words)
    message(FATAL_ERROR
      "${library} is a ${found_words} library, but this build makes ${wanted_words} "
      "programs: it cannot be linked.\n"
      "Install the ${wanted_words} build of that library, and set ${hint} to the folder "
      "that holds it (in lib/ or lib64/) with its headers (in include/).")
  endif()

  set(rpath_links "")
  foreach(lib ${library} ${C_LINK_WITH})
    get_filename_component(dir "${lib}" DIRECTORY)
    list(APPEND rpath_links "-Wl,-rpath-link,${dir}")
  endforeach()
  list(REMOVE_DUPLICATES rpath_links)
  try_compile(linked
    SOURCE_FROM_CONTENT link_probe.c
      "#include \"${C_HEADER}\"\nint main(void)\n{\n    void *volatile entry = (void *)&${C_SYMBOL};\n    return entry == 0;\n}\n"
    CMAKE_FLAGS "-DINCLUDE_DIRECTORIES=${C_INCLUDE_DIRS}" -DCMAKE_SKIP_BUILD_RPATH=ON
    LINK_LIBRARIES ${library} ${C_LINK_WITH}
    LINK_OPTIONS ${rpath_links}
    OUTPUT_VARIABLE log)
  if(NOT linked)
    # The compiler's and linker's own words, without the build tool's chatter
    # (and without list separators, which their lines may hold).
    string(REPLACE ";" "," log "${log}")
    string(REGEX MATCHALL "[^\n]*(error|rror:|undefined reference|not found|file format|incompatible|No such)[^\n]*"
      said "${log}")
    list(REMOVE_DUPLICATES said)
    list(SUBLIST said 0 8 said)
    list(JOIN said "\n    " said)
    message(FATAL_ERROR
      "A C program that includes ${C_HEADER} and calls ${C_SYMBOL}() cannot be built "
      "against ${library}: it is not a usable shared library for this machine, or a library "
      "it needs is missing. The compiler and linker said:\n    ${said}\n"
      "Set ${hint} to the folder holding include/${C_HEADER} and, in lib/ or lib64/, a "
      "library built for this machine.")
  endif()
  set(${checked_var} "${stamp}" CACHE INTERNAL "${library} passed the configure checks")
endfunction()
