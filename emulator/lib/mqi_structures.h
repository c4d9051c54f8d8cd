// The caller's MQI structures, checked and copied by version: each call
// checks a structure's StrucId and Version, copies the fields of the
// caller's version over a full-size default one, and copies results back
// only as far as the caller's version reaches, so that fields beyond it are
// neither read nor written.
#pragma once

#include <cmqc.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace mqemu {

// Copies the first `length` bytes of the caller's structure over a full
// default-initialised one.
template <typename T>
void Load(T* full, const void* caller, size_t length) {
  std::memcpy(static_cast<void*>(full), caller, std::min(length, sizeof(T)));
}
// Copies the first `length` bytes of a full structure back to the caller's.
template <typename T>
void Store(void* caller, const T& full, size_t length) {
  std::memcpy(caller, static_cast<const void*>(&full), std::min(length, sizeof(T)));
}

// The length of each structure in a version the caller may pass (a version
// beyond the last known counts as the last).
size_t OdLength(MQLONG version);
size_t GmoLength(MQLONG version);
size_t PmoLength(MQLONG version);
// For MQCNO versions 1 to 8.
size_t CnoLength(MQLONG version);

// Each Load* returns false when p is null or not such a structure of a
// known version; else it fills *out, full size, from the caller's version.
bool LoadMd(const void* p, MQMD* out);
bool LoadOd(const void* p, MQOD* out);
// A version-1 MQGMO has no MatchOptions: it matches both identifiers.
bool LoadGmo(const void* p, MQGMO* out);
bool LoadPmo(const void* p, MQPMO* out);
bool LoadCno(const void* p, MQCNO* out);

// Copies md back to the caller's MQMD at p as far as its Version reaches,
// keeping that Version.
void StoreMd(void* p, const MQMD& md);

}  // namespace mqemu
