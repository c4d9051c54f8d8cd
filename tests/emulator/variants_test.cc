// The library variants lack exactly the entry point they are named for and
// keep the other 24.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string> kEntryPoints = {
    "MQBACK",  "MQCLOSE", "MQCMIT",  "MQCONN",  "MQCONNX", "MQDISC", "MQGET",  "MQINQ",   "MQOPEN",
    "MQPUT",   "MQPUT1",  "MQSET",   "MQSUB",   "MQSUBRQ", "MQCB",   "MQCTL",  "MQCRTMH", "MQDLTMH",
    "MQINQMP", "MQSETMP", "MQDLTMP", "MQBUFMH", "MQMHBUF", "MQSTAT", "MQXCNVC"};

void ExpectExports(const std::string& path, const std::string& missing) {
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const std::string& name : kEntryPoints) {
    EXPECT_EQ(dlsym(lib, name.c_str()) != nullptr, name != missing) << path << " " << name;
  }
}

TEST(LibraryVariants, EachLacksOnlyItsEntryPoint) {
  const std::string dir = MQEMU_LIB_DIR;
  ExpectExports(dir + "/libmqm_r.so", "");
  ExpectExports(dir + "/variants/no-mqcb/libmqm_r.so", "MQCB");
  ExpectExports(dir + "/variants/no-mqconnx/libmqm_r.so", "MQCONNX");
  ExpectExports(dir + "/variants/no-mqclose/libmqm_r.so", "MQCLOSE");
  ExpectExports(dir + "/variants/no-mqput/libmqm_r.so", "MQPUT");
}

}  // namespace
