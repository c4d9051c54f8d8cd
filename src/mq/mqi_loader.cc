// Locating and loading IBM MQ's library, and resolving the MQI into MqiTable.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cs/cs_lock.h"
#include "mq/mqi_table.h"

#ifndef CSAGNT_MQ_LIBRARY_BASE
#define CSAGNT_MQ_LIBRARY_BASE "mqm"
#endif

MqiEntryPoints MqiTable{};

namespace {

constexpr size_t kPathSize = 512;
constexpr size_t kErrorTextSize = 500;

// Looks `name` up into `*slot`; returns whether it was found.
template <typename F>
bool Resolve(void* module, const char* name, F** slot) {
  void* address = dlsym(module, name);
  *slot = reinterpret_cast<F*>(address);
  return address != nullptr;
}

// Looks `name` up, or puts the substitute in its place.
template <typename F>
void ResolveOptional(void* module, const char* name, F** slot) {
  if (!Resolve(module, name, slot)) *slot = &MqiNotSupported<F>::Call;
}

int ResolveEntryPoints(void* module, MqiEntryPoints* t) {
  if (!Resolve(module, "MQCONN", &t->MQCONN) || !Resolve(module, "MQDISC", &t->MQDISC) ||
      !Resolve(module, "MQCMIT", &t->MQCMIT) || !Resolve(module, "MQBACK", &t->MQBACK) ||
      !Resolve(module, "MQPUT", &t->MQPUT) || !Resolve(module, "MQGET", &t->MQGET) ||
      !Resolve(module, "MQPUT1", &t->MQPUT1) || !Resolve(module, "MQINQ", &t->MQINQ) ||
      !Resolve(module, "MQSET", &t->MQSET) || !Resolve(module, "MQOPEN", &t->MQOPEN)) {
    return kMqiBadFormat;
  }
  int result = Resolve(module, "MQCLOSE", &t->MQCLOSE) ? 0 : kMqiBadFormat;

  ResolveOptional(module, "MQCONNX", &t->MQCONNX);
  ResolveOptional(module, "MQSUB", &t->MQSUB);
  ResolveOptional(module, "MQSUBRQ", &t->MQSUBRQ);
  ResolveOptional(module, "MQCB", &t->MQCB);
  ResolveOptional(module, "MQCTL", &t->MQCTL);
  ResolveOptional(module, "MQCRTMH", &t->MQCRTMH);
  ResolveOptional(module, "MQDLTMH", &t->MQDLTMH);
  ResolveOptional(module, "MQINQMP", &t->MQINQMP);
  ResolveOptional(module, "MQSETMP", &t->MQSETMP);
  ResolveOptional(module, "MQDLTMP", &t->MQDLTMP);
  ResolveOptional(module, "MQBUFMH", &t->MQBUFMH);
  ResolveOptional(module, "MQMHBUF", &t->MQMHBUF);
  ResolveOptional(module, "MQSTAT", &t->MQSTAT);
  ResolveOptional(module, "MQXCNVC", &t->MQXCNVC);
  return result;
}

}  // namespace

MqLibraryChoice ChooseMqLibrary(const char* base_name) {
  if (strstr(base_name, "mqic") != nullptr) {
    bool ibm_client = strcmp(base_name, "mqic") == 0 || strcmp(base_name, "mqic32") == 0;
    return {ibm_client ? "libmqic_r.so" : base_name, "MQIC_DLL_PATH"};
  }
  return {strcmp(base_name, "mqm") == 0 ? "libmqm_r.so" : base_name, "MQM_DLL_PATH"};
}

int LoadMqLibrary(const char* file_name, const char* directory, void** module) {
  char path[kPathSize];
  int n;
  if (strchr(file_name, '/') == nullptr && directory != nullptr && directory[0] != '\0') {
    size_t length = strlen(directory);
    const char* separator = directory[length - 1] == '/' ? "" : "/";
    n = snprintf(path, sizeof path, "%s%s%s", directory, separator, file_name);
  } else {
    n = snprintf(path, sizeof path, "%s", file_name);
  }
  bool debug = getenv("MQACCESS_DEBUG") != nullptr;
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) {
    // A path that does not fit is not loaded: a cut path could name another file.
    if (debug) printf("Load failed RC(%d) %s\n", ENAMETOOLONG, strerror(ENAMETOOLONG));
    return ENAMETOOLONG;
  }
  if (debug) {
    printf("Loading '%s'\n", path);
    fflush(stdout);
  }

  errno = 0;
  void* handle = dlopen(path, RTLD_NOW);
  if (handle != nullptr) {
    *module = handle;
    return 0;
  }
  int rc = errno;
  // dlopen does not always leave the errno of its failed open(); a file that
  // is not there is then still told apart from one that cannot be loaded.
  struct stat status;
  if (rc == 0 && strchr(path, '/') != nullptr && stat(path, &status) != 0) rc = errno;
  if (rc == 0) rc = ELIBACC;
  if (debug) {
    const char* text = dlerror();
    printf("Load failed RC(%d) %.*s\n", rc, static_cast<int>(kErrorTextSize),
           text != nullptr ? text : strerror(rc));
    fflush(stdout);
  }
  return rc;
}

int LoadMqi(MqiEntryPoints* table) {
  return LoadMqiLibrary(CSAGNT_MQ_LIBRARY_BASE, table);
}

int LoadMqiLibrary(const char* base_name, MqiEntryPoints* table) {
  LockWithAlarm(&LibraryLock);

  MqLibraryChoice choice = ChooseMqLibrary(base_name);
  // An explicit directory variable wins, even when set to the empty value
  // (which means the system's own search); then the installation directory.
  std::string directory;
  if (const char* value = getenv(choice.directory_variable); value != nullptr) {
    directory = value;
  } else if (const char* install = getenv("MQ_INSTALLATION_PATH"); install != nullptr) {
    directory = std::string(install) + "/lib64";
  }

  void* module = nullptr;
  int result = LoadMqLibrary(choice.file_name, directory.c_str(), &module);
  if (result == 0) result = ResolveEntryPoints(module, table);

  CSUnlockIt(&LibraryLock);
  return result;
}
