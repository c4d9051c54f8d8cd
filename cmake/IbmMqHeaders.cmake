# Locates IBM's MQI headers cmqc.h and cmqxc.h and publishes them as the
# interface target IbmMq::headers.
#
# Search order:
#   1. $MQ_INSTALLATION_PATH/inc
#   2. /opt/mqm/inc
#   3. the two files from the npm package ibmmq@2.1.9, unpacked into the build
#      tree and checked against their known sha256 sums.
# Nothing of IBM's is kept in the repository.

set(_mq_cmqc_sha256 38ae5d53571ef20260ce71092d947600fabfb0c2412d5713cb96a3fbfd2500d1)
set(_mq_cmqxc_sha256 1d79102d22d5944589a8728f73da0e40b8c9ea3159f175b280e7d4a3f0c45654)

set(_mq_candidates)
if(DEFINED ENV{MQ_INSTALLATION_PATH} AND NOT "$ENV{MQ_INSTALLATION_PATH}" STREQUAL "")
  list(APPEND _mq_candidates "$ENV{MQ_INSTALLATION_PATH}/inc")
endif()
list(APPEND _mq_candidates /opt/mqm/inc)

set(IBMMQ_INCLUDE_DIR "")
foreach(_dir IN LISTS _mq_candidates)
  if(EXISTS "${_dir}/cmqc.h" AND EXISTS "${_dir}/cmqxc.h")
    set(IBMMQ_INCLUDE_DIR "${_dir}")
    break()
  endif()
endforeach()

if(IBMMQ_INCLUDE_DIR STREQUAL "")
  set(_mq_dir "${CMAKE_BINARY_DIR}/_deps/ibmmq")
  set(_mq_inc "${_mq_dir}/inc")
  set(_mq_ok FALSE)
  if(EXISTS "${_mq_inc}/cmqc.h" AND EXISTS "${_mq_inc}/cmqxc.h")
    file(SHA256 "${_mq_inc}/cmqc.h" _sum_c)
    file(SHA256 "${_mq_inc}/cmqxc.h" _sum_xc)
    if(_sum_c STREQUAL _mq_cmqc_sha256 AND _sum_xc STREQUAL _mq_cmqxc_sha256)
      set(_mq_ok TRUE)
    endif()
  endif()
  if(NOT _mq_ok)
    find_program(NPM_EXECUTABLE npm)
    if(NOT NPM_EXECUTABLE)
      message(FATAL_ERROR "IBM MQ headers not found in $MQ_INSTALLATION_PATH/inc or /opt/mqm/inc, "
                          "and npm is not available to fetch them from the ibmmq@2.1.9 package.")
    endif()
    file(REMOVE_RECURSE "${_mq_dir}")
    file(MAKE_DIRECTORY "${_mq_dir}" "${_mq_inc}")
    message(STATUS "Fetching IBM MQ headers from npm package ibmmq@2.1.9")
    execute_process(COMMAND "${NPM_EXECUTABLE}" pack ibmmq@2.1.9 --silent
                    WORKING_DIRECTORY "${_mq_dir}"
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _tgz OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0 OR NOT EXISTS "${_mq_dir}/ibmmq-2.1.9.tgz")
      message(FATAL_ERROR "npm pack ibmmq@2.1.9 failed (${_rc}): ${_err}")
    endif()
    execute_process(COMMAND tar -xzf ibmmq-2.1.9.tgz package/src/unix/cmqc.h package/src/cmqxc.h
                    WORKING_DIRECTORY "${_mq_dir}" RESULT_VARIABLE _rc ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "Could not extract cmqc.h and cmqxc.h from ibmmq-2.1.9.tgz: ${_err}")
    endif()
    file(SHA256 "${_mq_dir}/package/src/unix/cmqc.h" _sum_c)
    file(SHA256 "${_mq_dir}/package/src/cmqxc.h" _sum_xc)
    if(NOT _sum_c STREQUAL _mq_cmqc_sha256)
      message(FATAL_ERROR "cmqc.h from ibmmq@2.1.9 has sha256 ${_sum_c}, expected ${_mq_cmqc_sha256}")
    endif()
    if(NOT _sum_xc STREQUAL _mq_cmqxc_sha256)
      message(FATAL_ERROR "cmqxc.h from ibmmq@2.1.9 has sha256 ${_sum_xc}, expected ${_mq_cmqxc_sha256}")
    endif()
    file(COPY "${_mq_dir}/package/src/unix/cmqc.h" "${_mq_dir}/package/src/cmqxc.h"
         DESTINATION "${_mq_inc}")
    file(REMOVE_RECURSE "${_mq_dir}/package")
    file(REMOVE "${_mq_dir}/ibmmq-2.1.9.tgz")
  endif()
  set(IBMMQ_INCLUDE_DIR "${_mq_inc}")
endif()

message(STATUS "IBM MQ headers: ${IBMMQ_INCLUDE_DIR}")
add_library(IbmMq_headers INTERFACE)
# SYSTEM: IBM's headers are the platform; our warning flags are for our code.
target_include_directories(IbmMq_headers SYSTEM INTERFACE "${IBMMQ_INCLUDE_DIR}")
add_library(IbmMq::headers ALIAS IbmMq_headers)
