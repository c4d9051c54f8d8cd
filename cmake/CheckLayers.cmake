# csagnt_check_layers(<root> <layer>...): the layers are folders under
# <root>, lowest first. Fails the configure step when a source of one layer
# includes ("layer/...") a header of a layer above it, naming the file and
# the include, so that the folders stay layers whatever the link order lets
# through.
function(csagnt_check_layers root)
  set(layers ${ARGN})
  string(JOIN " < " order ${layers})
  foreach(layer IN LISTS layers)
    list(FIND layers ${layer} own)
    file(GLOB sources ${root}/${layer}/*.cc ${root}/${layer}/*.h)
    foreach(source IN LISTS sources)
      file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
        list(FIND layers ${target} index)
        if(index GREATER own)
          file(RELATIVE_PATH name ${root} ${source})
          message(FATAL_ERROR "${name}: ${line}: ${layer}/ may not include ${target}/, "
                              "a layer above it (${order})")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
