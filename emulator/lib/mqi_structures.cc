// Checking and copying the caller's MQI structures by version (see
// mqi_structures.h).
#include "lib/mqi_structures.h"

namespace mqemu {
namespace {

size_t MdLength(MQLONG version) {
  return version == 1 ? MQMD_LENGTH_1 : MQMD_LENGTH_2;
}

// Whether p holds strucid and a version from 1 to `last`.
bool Valid(const void* p, const char* strucid, MQLONG last) {
  if (!p) return false;
  struct Head {
    MQCHAR4 StrucId;
    MQLONG Version;
  };
  Head head;
  std::memcpy(&head, p, sizeof head);
  return std::memcmp(head.StrucId, strucid, 4) == 0 && head.Version >= 1 && head.Version <= last;
}

}  // namespace

size_t OdLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQOD_LENGTH_1;
    case 2:
      return MQOD_LENGTH_2;
    case 3:
      return MQOD_LENGTH_3;
    default:
      return MQOD_LENGTH_4;
  }
}
size_t GmoLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQGMO_LENGTH_1;
    case 2:
      return MQGMO_LENGTH_2;
    case 3:
      return MQGMO_LENGTH_3;
    default:
      return MQGMO_LENGTH_4;
  }
}
size_t PmoLength(MQLONG v) {
  switch (v) {
    case 1:
      return MQPMO_LENGTH_1;
    case 2:
      return MQPMO_LENGTH_2;
    default:
      return MQPMO_LENGTH_3;
  }
}
size_t CnoLength(MQLONG v) {
  static const size_t lengths[] = {0,
                                   MQCNO_LENGTH_1,
                                   MQCNO_LENGTH_2,
                                   MQCNO_LENGTH_3,
                                   MQCNO_LENGTH_4,
                                   MQCNO_LENGTH_5,
                                   MQCNO_LENGTH_6,
                                   MQCNO_LENGTH_7,
                                   MQCNO_LENGTH_8};
  return lengths[v];
}

bool LoadMd(const void* p, MQMD* md) {
  if (!Valid(p, MQMD_STRUC_ID, MQMD_VERSION_2)) return false;
  *md = MQMD{MQMD_DEFAULT};
  Load(md, p, MdLength(static_cast<const MQMD*>(p)->Version));
  return true;
}

void StoreMd(void* p, const MQMD& md) {
  MQMD out = md;
  out.Version = static_cast<MQMD*>(p)->Version;
  Store(p, out, MdLength(out.Version));
}

bool LoadOd(const void* p, MQOD* od) {
  if (!Valid(p, MQOD_STRUC_ID, MQOD_VERSION_4)) return false;
  *od = MQOD{MQOD_DEFAULT};
  Load(od, p, OdLength(static_cast<const MQOD*>(p)->Version));
  return true;
}

bool LoadGmo(const void* p, MQGMO* gmo) {
  if (!Valid(p, MQGMO_STRUC_ID, MQGMO_VERSION_4)) return false;
  auto in = static_cast<const MQGMO*>(p);
  *gmo = MQGMO{MQGMO_DEFAULT};
  Load(gmo, p, GmoLength(in->Version));
  if (in->Version < MQGMO_VERSION_2) gmo->MatchOptions = MQMO_MATCH_MSG_ID | MQMO_MATCH_CORREL_ID;
  return true;
}

bool LoadPmo(const void* p, MQPMO* pmo) {
  if (!Valid(p, MQPMO_STRUC_ID, MQPMO_VERSION_3)) return false;
  *pmo = MQPMO{MQPMO_DEFAULT};
  Load(pmo, p, PmoLength(static_cast<const MQPMO*>(p)->Version));
  return true;
}

bool LoadCno(const void* p, MQCNO* cno) {
  if (!Valid(p, MQCNO_STRUC_ID, MQCNO_VERSION_8)) return false;
  *cno = MQCNO{MQCNO_DEFAULT};
  Load(cno, p, CnoLength(static_cast<const MQCNO*>(p)->Version));
  return true;
}

}  // namespace mqemu
