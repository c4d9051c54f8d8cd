// The MQI binding: the agent is not linked against IBM MQ. LoadMqi loads
// IBM MQ's library at run time and resolves the MQI entry points into
// MqiTable, through which every MQI call of the agent goes. Entry points
// that an older library lacks are replaced by substitutes that complete with
// MQCC_FAILED and MQRC_FUNCTION_NOT_SUPPORTED, so callers see an ordinary
// MQI failure instead of a crash.
//
// The table is filled once, on the main thread, before any other thread
// exists, and is read-only afterwards: every thread reads it without a lock.
// The library is never unloaded.
#pragma once

#include <cmqc.h>
#include <cmqxc.h>

#include <cstddef>
#include <tuple>

// The 25 slots, in this order.
struct MqiEntryPoints {
  MQ_BACK_CALL* MQBACK;
  MQ_CLOSE_CALL* MQCLOSE;
  MQ_CMIT_CALL* MQCMIT;
  MQ_CONN_CALL* MQCONN;
  MQ_CONNX_CALL* MQCONNX;
  MQ_DISC_CALL* MQDISC;
  MQ_GET_CALL* MQGET;
  MQ_INQ_CALL* MQINQ;
  MQ_OPEN_CALL* MQOPEN;
  MQ_PUT_CALL* MQPUT;
  MQ_PUT1_CALL* MQPUT1;
  MQ_SET_CALL* MQSET;
  MQ_SUB_CALL* MQSUB;
  MQ_SUBRQ_CALL* MQSUBRQ;
  MQ_CB_CALL* MQCB;
  MQ_CTL_CALL* MQCTL;
  MQ_CRTMH_CALL* MQCRTMH;
  MQ_DLTMH_CALL* MQDLTMH;
  MQ_INQMP_CALL* MQINQMP;
  MQ_SETMP_CALL* MQSETMP;
  MQ_DLTMP_CALL* MQDLTMP;
  MQ_BUFMH_CALL* MQBUFMH;
  MQ_MHBUF_CALL* MQMHBUF;
  MQ_STAT_CALL* MQSTAT;
  MQ_XCNVC_CALL* MQXCNVC;
};

extern MqiEntryPoints MqiTable;

// The system error code for a library without a required entry point.
constexpr int kMqiBadFormat = 11;

// Loads the IBM MQ library and fills `table`. Returns 0 on success; the
// system error code (errno) of a failed load; or kMqiBadFormat when a
// required entry point is missing (for MQCLOSE, after every other slot has
// been filled). The library is searched in the directory named by
// MQM_DLL_PATH (MQIC_DLL_PATH for the client library), else in
// $MQ_INSTALLATION_PATH/lib64, else by the system's own search.
int LoadMqi(MqiEntryPoints* table);

// LoadMqi with the library chosen at run time by its base name (as
// ChooseMqLibrary takes it) instead of the build setting: for the tools that
// load the server or the client library as their user asks.
int LoadMqiLibrary(const char* base_name, MqiEntryPoints* table);

// The library's file name and the environment variable naming its directory,
// from the build-time base name: "mqm" is IBM MQ's server library, "mqic"
// and "mqic32" its client library; any other base name is taken as the file
// name itself (a name containing "mqic" searched as a client library).
struct MqLibraryChoice {
  const char* file_name;
  const char* directory_variable;
};
MqLibraryChoice ChooseMqLibrary(const char* base_name);

// Loads `file_name` from `directory` (joined with "/" unless the directory is
// empty or null, or the name already holds a "/"). Returns 0 and sets
// *module, or the system error code. With MQACCESS_DEBUG set, traces the path
// and any failure on standard output.
int LoadMqLibrary(const char* file_name, const char* directory, void** module);

// The substitute for an entry point of type F: sets the call's CompCode (the
// next-to-last parameter) to MQCC_FAILED and its Reason (the last) to
// MQRC_FUNCTION_NOT_SUPPORTED, and does nothing else.
template <typename F>
struct MqiNotSupported;

template <typename... Params>
struct MqiNotSupported<void(Params...)> {
  static constexpr size_t kParameterCount = sizeof...(Params);
  static_assert(kParameterCount >= 2);

  static void MQENTRY Call(Params... params) {
    auto args = std::forward_as_tuple(params...);
    PMQLONG comp_code = std::get<kParameterCount - 2>(args);
    PMQLONG reason = std::get<kParameterCount - 1>(args);
    *comp_code = MQCC_FAILED;
    *reason = MQRC_FUNCTION_NOT_SUPPORTED;
  }
};
