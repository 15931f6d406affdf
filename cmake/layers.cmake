# quillmap_layer(name SOURCES file... [USES layer...]): the static library quillmap_<name> of
# the layer in folder <name>, linking the layers it uses. Each used layer must be of a lower level
# than <name> (cmake/layers.txt), so a library can never link a layer above it or a peer.
#
# The layer's files see only the headers of the layer itself and of the layers it reaches
# through its uses: its include folder is a folder in the build tree holding links to those
# folders alone, so including a header of any other layer fails to compile. Consumers above every
# layer (main, tests, benchmarks, fuzzers, tools) link quillmap_core and see the whole tree.

file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/layers.txt quillmap_layer_lines REGEX "^[a-z]")
foreach(line IN LISTS quillmap_layer_lines)
  string(REPLACE " " ";" pair "${line}")
  list(GET pair 0 folder)
  list(GET pair 1 level)
  set(quillmap_level_${folder} ${level})
endforeach()

function(quillmap_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;USES")
  if(NOT DEFINED quillmap_level_${name})
    message(FATAL_ERROR "${name}/ is not a layer in cmake/layers.txt")
  endif()
  set(reach ${name})
  foreach(used IN LISTS arg_USES)
    if(NOT quillmap_level_${used} LESS quillmap_level_${name})
      message(FATAL_ERROR "${name}/ may not use ${used}/: it is not below ${name}/ (cmake/layers.txt)")
    endif()
    get_property(used_reach GLOBAL PROPERTY quillmap_reach_${used})
    if(NOT used_reach)
      message(FATAL_ERROR "${name}/ uses ${used}/, which is not declared yet: add the lower layers first")
    endif()
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_property(GLOBAL PROPERTY quillmap_reach_${name} ${reach})

  set(headers ${PROJECT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${headers})
  file(MAKE_DIRECTORY ${headers})
  foreach(folder IN LISTS reach)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${headers}/${folder} SYMBOLIC)
  endforeach()

  add_library(quillmap_${name} STATIC ${arg_SOURCES})
  target_include_directories(quillmap_${name} PRIVATE ${headers})
  list(TRANSFORM arg_USES PREPEND quillmap_)
  target_link_libraries(quillmap_${name} PUBLIC ${arg_USES})
endfunction()
