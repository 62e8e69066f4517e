# Sealed libraries. A library names its public headers, and they are reached
# under their usual path, "folder/header.h" ("image/program.h",
# "gui/simulation/lamp.h"), through an export folder of its own in the build
# tree that holds one forwarding header for each. Its other headers are
# reached the same way by the library's own sources only, and by whoever
# links NAME_internals, which says so in its CMakeLists.txt (the serial
# component's own tests, say). No folder of the source tree is an include
# folder: an include of another library's internals, or of a library that is
# not linked, fails to compile.
#
#   velkor_library(NAME SOURCES file.cpp...
#                  [PUBLIC_HEADERS header.h...] [PRIVATE_HEADERS header.h...])
#     A static library made of sources of the current folder, warnings as
#     errors. Headers are named from the current folder ("posix/handles.h");
#     a public header must include only public headers, of this library or
#     of the libraries it links PUBLIC.
#   velkor_program(NAME SOURCES file.cpp... [PRIVATE_HEADERS header.h...])
#     An executable of the current folder, its own headers reached as those
#     of a library.
#
# A forwarding header holds the path to its header relative to itself: no
# tree writes its own absolute path into what it compiles, so ccache shares
# what one work tree or build compiled with the others.

# Makes the export folder of `target` for one kind of header (public or
# private) and returns it in `folder_var`.
function(velkor_export_headers target kind folder_var)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${CMAKE_BINARY_DIR}/include/${target}/${kind})
  set(made "")
  foreach(header IN LISTS ARGN)
    set(real ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    if(NOT EXISTS ${real})
      message(FATAL_ERROR "${target}: ${folder}/${header} does not exist")
    endif()
    set(forward ${root}/${folder}/${header})
    get_filename_component(at ${forward} DIRECTORY)
    file(RELATIVE_PATH path ${at} ${real})
    # Rewritten only when it changes: nothing is compiled again for nothing.
    file(CONFIGURE OUTPUT ${forward} @ONLY
         CONTENT "// ${folder}/${header}, ${kind} header of ${target} (made by velkor_library)\n#include \"${path}\"\n")
    list(APPEND made ${forward})
  endforeach()
  # A header no longer named stops being reachable at once.
  file(GLOB_RECURSE present LIST_DIRECTORIES false ${root}/*)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST made)
      file(REMOVE ${file})
    endif()
  endforeach()
  set(${folder_var} ${root} PARENT_SCOPE)
endfunction()

# Exports the headers of `target`: the public ones to whoever links it, the
# private ones to its own sources and to TARGET_internals.
function(velkor_seal target)
  cmake_parse_arguments(ARG "" "" "PUBLIC_HEADERS;PRIVATE_HEADERS" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(ARG_PUBLIC_HEADERS)
    if(type STREQUAL "EXECUTABLE")
      message(FATAL_ERROR "${target}: a program has no public headers")
    endif()
    velkor_export_headers(${target} public public ${ARG_PUBLIC_HEADERS})
    target_include_directories(${target} PUBLIC ${public})
  endif()
  velkor_export_headers(${target} private private ${ARG_PRIVATE_HEADERS})
  if(ARG_PRIVATE_HEADERS)
    target_include_directories(${target} PRIVATE ${private})
    if(NOT type STREQUAL "EXECUTABLE")
      add_library(${target}_internals INTERFACE)
      target_include_directories(${target}_internals INTERFACE ${private})
      target_link_libraries(${target}_internals INTERFACE ${target})
    endif()
  endif()
endfunction()

function(velkor_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_HEADERS;PRIVATE_HEADERS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE velkor_warnings)
  velkor_seal(${name} PUBLIC_HEADERS ${ARG_PUBLIC_HEADERS} PRIVATE_HEADERS ${ARG_PRIVATE_HEADERS})
endfunction()

function(velkor_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PRIVATE_HEADERS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE velkor_warnings)
  velkor_seal(${name} PRIVATE_HEADERS ${ARG_PRIVATE_HEADERS})
endfunction()
