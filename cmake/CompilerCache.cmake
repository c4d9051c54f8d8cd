# Compiles through ccache when it is installed, so that a machine that has
# built before (a second CI run, another work tree of the same sources, the
# next preset's unchanged files) reuses its objects instead of compiling
# them again. Paths are hashed relative to the source tree and the build
# directory is left out of the hash, so that two clones in different places
# share their objects. A launcher chosen on the command line is kept.
find_program(CSAGNT_CCACHE ccache)
if(CSAGNT_CCACHE)
  foreach(lang C CXX)
    if(NOT CMAKE_${lang}_COMPILER_LAUNCHER)
      set(CMAKE_${lang}_COMPILER_LAUNCHER
          ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
          CCACHE_MAXSIZE=20G ${CSAGNT_CCACHE})
    endif()
  endforeach()
endif()
