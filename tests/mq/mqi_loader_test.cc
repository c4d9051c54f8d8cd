// Loading the MQI: where the library is searched, what the trace says, and
// how missing entry points are handled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "mq/mqi_table.h"
#include "support/stdout_capture.h"
#include "support/temp_dir.h"

namespace {

std::string VariantDir(const std::string& variant) {
  return std::string(FAKE_MQI_DIR) + "/" + variant;
}

// Runs LoadMqi with exactly the given search variables set (null = unset)
// and MQACCESS_DEBUG set, returning the result and the trace.
struct LoadOutcome {
  int result;
  std::string trace;
  MqiEntryPoints table;
};

LoadOutcome Load(const char* dll_path, const char* install_path, bool debug = true) {
  auto set = [](const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  };
  set("MQM_DLL_PATH", dll_path);
  set("MQ_INSTALLATION_PATH", install_path);
  set("MQACCESS_DEBUG", debug ? "1" : nullptr);
  LoadOutcome outcome{};
  StdoutCapture capture;
  outcome.result = LoadMqi(&outcome.table);
  outcome.trace = capture.Text();
  unsetenv("MQACCESS_DEBUG");
  return outcome;
}

}  // namespace

TEST(MqiSearch, DllPathIsJoinedWithOneSlash) {
  std::string dir = VariantDir("all");
  LoadOutcome plain = Load(dir.c_str(), nullptr);
  EXPECT_EQ(plain.result, 0);
  EXPECT_EQ(plain.trace, "Loading '" + dir + "/libmqm_r.so'\n");

  LoadOutcome slashed = Load((dir + "/").c_str(), nullptr);
  EXPECT_EQ(slashed.result, 0);
  EXPECT_EQ(slashed.trace, "Loading '" + dir + "/libmqm_r.so'\n");
}

TEST(MqiSearch, DllPathWinsOverTheInstallationPath) {
  LoadOutcome outcome = Load(VariantDir("all").c_str(), "/nonexistent/install");
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.trace, "Loading '" + VariantDir("all") + "/libmqm_r.so'\n");
}

TEST(MqiSearch, InstallationPathGetsLib64) {
  TempDir install;
  std::filesystem::create_directory(install.File("lib64"));
  std::filesystem::copy_file(VariantDir("all") + "/libmqm_r.so", install.File("lib64/libmqm_r.so"));
  LoadOutcome outcome = Load(nullptr, install.path().c_str());
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.trace, "Loading '" + install.path() + "/lib64/libmqm_r.so'\n");

  // The installation directory's own trailing slash is not looked at.
  LoadOutcome slashed = Load(nullptr, (install.path() + "/").c_str());
  EXPECT_EQ(slashed.result, 0);
  EXPECT_EQ(slashed.trace, "Loading '" + install.path() + "//lib64/libmqm_r.so'\n");
}

TEST(MqiSearch, EmptyDllPathMeansTheSystemSearch) {
  LoadOutcome outcome = Load("", "/nonexistent/install");
  EXPECT_EQ(outcome.trace.rfind("Loading 'libmqm_r.so'\n", 0), 0u) << outcome.trace;
}

TEST(MqiSearch, MissingLibraryGivesTheSystemErrorAndItsText) {
  LoadOutcome outcome = Load("/nonexistent", nullptr);
  EXPECT_EQ(outcome.result, 2);  // ENOENT
  EXPECT_EQ(outcome.trace.rfind("Loading '/nonexistent/libmqm_r.so'\nLoad failed RC(2) ", 0), 0u)
      << outcome.trace;
  EXPECT_NE(outcome.trace.find("/nonexistent/libmqm_r.so: cannot open shared object file"),
            std::string::npos)
      << outcome.trace;

  LoadOutcome quiet = Load("/nonexistent", nullptr, /*debug=*/false);
  EXPECT_EQ(quiet.result, 2);
  EXPECT_EQ(quiet.trace, "");
}

TEST(MqiSearch, TooLongAPathIsNotLoaded) {
  std::string dir(600, 'd');
  LoadOutcome outcome = Load(("/" + dir).c_str(), nullptr, /*debug=*/false);
  EXPECT_EQ(outcome.result, ENAMETOOLONG);
}

TEST(MqiTableFill, FullLibraryFillsEverySlotWithItsOwnEntryPoints) {
  LoadOutcome outcome = Load(VariantDir("all").c_str(), nullptr, false);
  ASSERT_EQ(outcome.result, 0);
  const void* const* slots = reinterpret_cast<const void* const*>(&outcome.table);
  for (size_t i = 0; i < sizeof(MqiEntryPoints) / sizeof(void*); ++i)
    EXPECT_NE(slots[i], nullptr) << "slot " << i;
  static_assert(sizeof(MqiEntryPoints) == 25 * sizeof(void*));

  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  MQLONG cc = -1, reason = -1;
  MQCNO cno = {MQCNO_DEFAULT};
  outcome.table.MQCONNX(const_cast<char*>(""), &cno, &hconn, &cc, &reason);
  EXPECT_EQ(hconn, 4242);
  EXPECT_EQ(cc, MQCC_OK);
}

TEST(MqiTableFill, MissingMqconnxGetsTheSubstitute) {
  LoadOutcome outcome = Load(VariantDir("no-mqconnx").c_str(), nullptr, false);
  ASSERT_EQ(outcome.result, 0);
  MQHCONN hconn = MQHC_UNUSABLE_HCONN;
  MQLONG cc = -1, reason = -1;
  MQCNO cno = {MQCNO_DEFAULT};
  outcome.table.MQCONNX(const_cast<char*>(""), &cno, &hconn, &cc, &reason);
  EXPECT_EQ(cc, MQCC_FAILED);
  EXPECT_EQ(reason, MQRC_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(hconn, MQHC_UNUSABLE_HCONN);  // nothing else is touched
}

TEST(MqiTableFill, MissingMqcloseFailsAfterFillingTheOtherSlots) {
  LoadOutcome outcome = Load(VariantDir("no-mqclose").c_str(), nullptr, false);
  EXPECT_EQ(outcome.result, 11);
  EXPECT_EQ(outcome.table.MQCLOSE, nullptr);
  EXPECT_NE(outcome.table.MQOPEN, nullptr);
  EXPECT_NE(outcome.table.MQCONNX, nullptr);
  EXPECT_NE(outcome.table.MQXCNVC, nullptr);
  EXPECT_NE(outcome.table.MQCB, nullptr);
}

TEST(MqiTableFill, MissingMqputStopsTheLookupThere) {
  LoadOutcome outcome = Load(VariantDir("no-mqput").c_str(), nullptr, false);
  EXPECT_EQ(outcome.result, 11);
  // Looked up before MQPUT: MQCONN, MQDISC, MQCMIT, MQBACK.
  EXPECT_NE(outcome.table.MQCONN, nullptr);
  EXPECT_NE(outcome.table.MQBACK, nullptr);
  // MQPUT and everything after it stay empty.
  EXPECT_EQ(outcome.table.MQPUT, nullptr);
  EXPECT_EQ(outcome.table.MQGET, nullptr);
  EXPECT_EQ(outcome.table.MQOPEN, nullptr);
  EXPECT_EQ(outcome.table.MQCLOSE, nullptr);
  EXPECT_EQ(outcome.table.MQCONNX, nullptr);
}

TEST(MqiSubstitutes, EveryParameterCountSetsCompCodeAndReason) {
  MQLONG cc = -1, reason = -1;
  MqiNotSupported<MQ_STAT_CALL>::Call(0, 0, nullptr, &cc, &reason);
  EXPECT_EQ(cc, MQCC_FAILED);
  EXPECT_EQ(reason, MQRC_FUNCTION_NOT_SUPPORTED);

  static_assert(MqiNotSupported<MQ_CONNX_CALL>::kParameterCount == 5);
  static_assert(MqiNotSupported<MQ_SUB_CALL>::kParameterCount == 6);
  static_assert(MqiNotSupported<MQ_SUBRQ_CALL>::kParameterCount == 6);
  static_assert(MqiNotSupported<MQ_CB_CALL>::kParameterCount == 8);
  static_assert(MqiNotSupported<MQ_CTL_CALL>::kParameterCount == 5);
  static_assert(MqiNotSupported<MQ_CRTMH_CALL>::kParameterCount == 5);
  static_assert(MqiNotSupported<MQ_DLTMH_CALL>::kParameterCount == 5);
  static_assert(MqiNotSupported<MQ_INQMP_CALL>::kParameterCount == 11);
  static_assert(MqiNotSupported<MQ_SETMP_CALL>::kParameterCount == 10);
  static_assert(MqiNotSupported<MQ_DLTMP_CALL>::kParameterCount == 6);
  static_assert(MqiNotSupported<MQ_BUFMH_CALL>::kParameterCount == 9);
  static_assert(MqiNotSupported<MQ_MHBUF_CALL>::kParameterCount == 10);
  static_assert(MqiNotSupported<MQ_STAT_CALL>::kParameterCount == 5);
  static_assert(MqiNotSupported<MQ_XCNVC_CALL>::kParameterCount == 11);

  cc = reason = -1;
  MqiNotSupported<MQ_XCNVC_CALL>::Call(0, 0, 0, 0, nullptr, 0, 0, nullptr, nullptr, &cc, &reason);
  EXPECT_EQ(cc, MQCC_FAILED);
  EXPECT_EQ(reason, MQRC_FUNCTION_NOT_SUPPORTED);
}

TEST(MqiLibraryChoice, BaseNamesSelectServerOrClientLibrary) {
  auto expect = [](const char* base, const char* file, const char* variable) {
    MqLibraryChoice choice = ChooseMqLibrary(base);
    EXPECT_STREQ(choice.file_name, file) << base;
    EXPECT_STREQ(choice.directory_variable, variable) << base;
  };
  expect("mqm", "libmqm_r.so", "MQM_DLL_PATH");
  expect("mqic", "libmqic_r.so", "MQIC_DLL_PATH");
  expect("mqic32", "libmqic_r.so", "MQIC_DLL_PATH");
  expect("libmqic_custom.so", "libmqic_custom.so", "MQIC_DLL_PATH");
  expect("libother.so", "libother.so", "MQM_DLL_PATH");
}
