// Fuzz target: message properties from bytes that any application may put,
// read as the queue manager reads them when a getter wants them in a
// message handle (an MQRFH2 before the data) and as the library reads the
// properties that travel with a message (their wire form). What is taken
// from an MQRFH2, written back into one, must read back the same.
#include <cmqc.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "properties/mqrfh2.h"
#include "properties/property_list.h"

namespace {

namespace props = mqemu::properties;

// The same properties; a header holds its folders in an order of its own, so
// the order of properties of different folders may change.
bool Same(props::PropertyList a, props::PropertyList b) {
  auto by_name = [](const props::Property& x, const props::Property& y) { return x.name < y.name; };
  std::stable_sort(a.begin(), a.end(), by_name);
  std::stable_sort(b.begin(), b.end(), by_name);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].value != b[i].value) return false;
  }
  return true;
}

void ReadMqrfh2(const std::string& bytes) {
  MQMD md = {MQMD_DEFAULT};
  std::memcpy(md.Format, MQFMT_RF_HEADER_2, sizeof md.Format);
  std::string data = bytes;
  props::PropertyList list;
  if (props::TakeMqrfh2Properties(&md, &data, &list, true) != MQRC_NONE) {
    FUZZ_CHECK(data == bytes);  // nothing changes on a refusal
    return;
  }
  FUZZ_CHECK(data.size() <= bytes.size());
  MQMD again_md = {MQMD_DEFAULT};
  std::memcpy(again_md.Format, MQFMT_RF_HEADER_2, sizeof again_md.Format);
  std::string again = props::BuildMqrfh2(list, md);
  props::PropertyList back;
  FUZZ_CHECK(props::TakeMqrfh2Properties(&again_md, &again, &back, true) == MQRC_NONE);
  FUZZ_CHECK(again.empty());
  // Floats written as text come back the same; NaN payloads need not.
  bool floats = false;
  for (const props::Property& p : list) {
    floats = floats || p.type == MQTYPE_FLOAT32 || p.type == MQTYPE_FLOAT64;
  }
  FUZZ_CHECK(floats || Same(list, back));
}

void ReadWireForm(const std::string& bytes) {
  props::PropertyList list;
  if (!props::Decode(bytes, &list)) {
    FUZZ_CHECK(list.empty());
    return;
  }
  FUZZ_CHECK(list.empty() || props::Encode(list) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ReadMqrfh2(bytes);
  ReadWireForm(bytes);
  return 0;
}
