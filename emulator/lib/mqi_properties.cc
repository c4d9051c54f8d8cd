// Message handles and properties: MQCRTMH, MQDLTMH, MQSETMP, MQINQMP,
// MQDLTMP, and MQBUFMH and MQMHBUF, which move properties between a handle
// and an MQRFH2 header in a buffer. All of it happens in the library: a
// handle's properties reach the queue manager only with a message put.
#include <algorithm>
#include <cstring>

#include "lib/message_handles.h"
#include "lib/mqi_entry.h"
#include "lib/mqi_structures.h"
#include "properties/conversion.h"
#include "properties/mqrfh2.h"

namespace mqemu {
namespace {

namespace props = properties;

// The string an MQCHARV names: at VSPtr, else VSOffset bytes from `base`
// (the structure that holds it); VSLength MQVS_NULL_TERMINATED for one
// ending in a NUL. False when it names nothing.
bool ReadCharv(const MQCHARV& v, const void* base, std::string* out) {
  const char* p = static_cast<const char*>(v.VSPtr);
  if (!p && v.VSOffset > 0) p = static_cast<const char*>(base) + v.VSOffset;
  if (!p || (v.VSLength < 0 && v.VSLength != MQVS_NULL_TERMINATED)) return false;
  size_t n = v.VSLength == MQVS_NULL_TERMINATED ? strnlen(p, props::kMaxNameLength + 1)
                                                : static_cast<size_t>(v.VSLength);
  out->assign(p, n);
  return true;
}

// The property name or name pattern (wildcards allowed) of the MQCHARV at
// p; MQRC_NONE or why it is none.
MQLONG ReadName(const void* p, bool pattern, std::string* out) {
  if (!p || !ReadCharv(*static_cast<const MQCHARV*>(p), p, out)) return MQRC_PROPERTY_NAME_ERROR;
  if (pattern) return out->empty() ? MQRC_PROPERTY_NAME_ERROR : MQRC_NONE;
  return props::CheckName(*out);
}

// The checks of MQBUFMH's and MQMHBUF's message descriptor (loaded into
// *md) and buffer; MQRC_NONE or the failure.
MQLONG CheckBuffer(const void* msg_desc, MQMD* md, MQLONG length, const void* buffer,
                   const MQLONG* data_length) {
  if (!LoadMd(msg_desc, md)) return MQRC_MD_ERROR;
  if (length < 0) return MQRC_BUFFER_LENGTH_ERROR;
  if (length > 0 && !buffer) return MQRC_BUFFER_ERROR;
  return data_length ? MQRC_NONE : MQRC_DATA_LENGTH_ERROR;
}

// Whether p is a structure `strucid` of version 1 (the only one of these).
bool Valid(const void* p, const char* strucid) {
  if (!p) return false;
  MQLONG version;
  std::memcpy(&version, static_cast<const char*>(p) + 4, sizeof version);
  return std::memcmp(p, strucid, 4) == 0 && version == 1;
}

// The checks every property call makes of its connection handle.
MQLONG CheckHconn(MQHCONN hconn) {
  return hconn == MQHC_UNASSOCIATED_HCONN || FindConnection(hconn) ? MQRC_NONE : MQRC_HCONN_ERROR;
}

// A property value given to MQSETMP, in native form; MQRC_NONE or the
// failure.
MQLONG ValueOf(MQLONG type, MQLONG length, const void* value, std::string* out) {
  if (type == MQTYPE_NULL) {
    out->clear();
    return MQRC_NONE;
  }
  if (type == MQTYPE_STRING && length == MQVL_NULL_TERMINATED) {
    if (!value) return MQRC_BUFFER_ERROR;
    length = static_cast<MQLONG>(strnlen(static_cast<const char*>(value), kMaxMessageLength));
  }
  if (length < 0) return MQRC_BUFFER_LENGTH_ERROR;
  if (length > 0 && !value) return MQRC_BUFFER_ERROR;
  size_t fixed = props::FixedSize(type);
  if (fixed && static_cast<size_t>(length) != fixed) return MQRC_BUFFER_LENGTH_ERROR;
  out->assign(static_cast<const char*>(value), static_cast<size_t>(length));
  if (type == MQTYPE_BOOLEAN) {
    MQBOOL b;
    std::memcpy(&b, out->data(), sizeof b);
    b = b ? 1 : 0;
    std::memcpy(out->data(), &b, sizeof b);
  }
  return MQRC_NONE;
}

// Writes a property's name to MQIMPO.ReturnedName, as far as its buffer
// reaches; false when the name was cut.
bool ReturnName(MQIMPO* impo, void* caller_impo, const std::string& name) {
  MQCHARV& v = impo->ReturnedName;
  char* p = static_cast<char*>(v.VSPtr);
  if (!p && v.VSOffset > 0) p = static_cast<char*>(caller_impo) + v.VSOffset;
  v.VSLength = static_cast<MQLONG>(name.size());
  if (!p || v.VSBufSize <= 0) return true;
  size_t n = std::min(name.size(), static_cast<size_t>(v.VSBufSize));
  std::memcpy(p, name.data(), n);
  return n == name.size();
}

}  // namespace
}  // namespace mqemu

using namespace mqemu;

MQEMU_EXPORT void MQENTRY MQCRTMH(MQHCONN Hconn, PMQVOID pCrtMsgHOpts, PMQHMSG pHmsg,
                                  PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pCrtMsgHOpts, MQCMHO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_CMHO_ERROR);
  if (!pHmsg) return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  *pHmsg = CreateMessageHandle(Hconn);
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQDLTMH(MQHCONN Hconn, PMQHMSG pHmsg, PMQVOID pDltMsgHOpts,
                                  PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pDltMsgHOpts, MQDMHO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_DMHO_ERROR);
  if (!pHmsg || !DeleteMessageHandle(Hconn, *pHmsg)) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  *pHmsg = MQHM_UNUSABLE_HMSG;
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQSETMP(MQHCONN Hconn, MQHMSG Hmsg, PMQVOID pSetPropOpts, PMQVOID pName,
                                  PMQVOID pPropDesc, MQLONG Type, MQLONG ValueLength,
                                  PMQVOID pValue, PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pSetPropOpts, MQSMPO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_SMPO_ERROR);
  std::string name;
  if (MQLONG bad = ReadName(pName, false, &name)) return Failed(pCompCode, pReason, bad);
  if (pPropDesc && !Valid(pPropDesc, MQPD_STRUC_ID)) {
    return Failed(pCompCode, pReason, MQRC_PD_ERROR);
  }
  if (!props::IsType(Type)) return Failed(pCompCode, pReason, MQRC_PROPERTY_TYPE_ERROR);
  props::Property p;
  p.name = props::CanonicalName(name);
  p.type = Type;
  if (MQLONG bad = ValueOf(Type, ValueLength, pValue, &p.value)) {
    return Failed(pCompCode, pReason, bad);
  }
  if (pPropDesc) {
    auto pd = static_cast<const MQPD*>(pPropDesc);
    p.support = pd->Support;
    p.context = pd->Context;
    p.copy_options = pd->CopyOptions;
  }
  const bool append = static_cast<const MQSMPO*>(pSetPropOpts)->Options & MQSMPO_APPEND_PROPERTY;
  if (!WithMessageHandle(Hconn, Hmsg, [&](MessageHandle& h) {
        props::SetProperty(&h.list, std::move(p), append);
      })) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQINQMP(MQHCONN Hconn, MQHMSG Hmsg, PMQVOID pInqPropOpts, PMQVOID pName,
                                  PMQVOID pPropDesc, PMQLONG pType, MQLONG ValueLength,
                                  PMQVOID pValue, PMQLONG pDataLength, PMQLONG pCompCode,
                                  PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pInqPropOpts, MQIMPO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_IMPO_ERROR);
  MQIMPO impo;
  std::memcpy(&impo, pInqPropOpts, sizeof impo);
  std::string pattern;
  if (MQLONG bad = ReadName(pName, true, &pattern)) return Failed(pCompCode, pReason, bad);
  if (pPropDesc && !Valid(pPropDesc, MQPD_STRUC_ID)) {
    return Failed(pCompCode, pReason, MQRC_PD_ERROR);
  }
  if (!pType) return Failed(pCompCode, pReason, MQRC_PROPERTY_TYPE_ERROR);
  if (ValueLength < 0) return Failed(pCompCode, pReason, MQRC_BUFFER_LENGTH_ERROR);
  if (ValueLength > 0 && !pValue) return Failed(pCompCode, pReason, MQRC_BUFFER_ERROR);
  if (!pDataLength) return Failed(pCompCode, pReason, MQRC_DATA_LENGTH_ERROR);
  const MQLONG requested = (impo.Options & MQIMPO_CONVERT_TYPE) ? *pType : MQTYPE_AS_SET;
  if (requested != MQTYPE_AS_SET && !props::IsType(requested)) {
    return Failed(pCompCode, pReason, MQRC_PROPERTY_TYPE_ERROR);
  }
  MQLONG cc = MQCC_OK, reason = MQRC_NONE;
  bool found = WithMessageHandle(Hconn, Hmsg, [&](MessageHandle& h) {
    size_t i = 0;
    if (impo.Options & MQIMPO_INQ_PROP_UNDER_CURSOR) {
      i = h.cursor_set ? h.cursor : h.list.size();
    } else {
      i = (impo.Options & MQIMPO_INQ_NEXT) && h.cursor_set ? h.cursor + 1 : 0;
      while (i < h.list.size() && !props::NameMatches(pattern, h.list[i].name)) ++i;
    }
    if (i >= h.list.size()) {
      cc = MQCC_FAILED;
      reason = MQRC_PROPERTY_NOT_AVAILABLE;
      return;
    }
    const props::Property& p = h.list[i];
    std::string value;
    MQLONG type = p.type;
    if (p.type != MQTYPE_NULL && requested != MQTYPE_AS_SET) {
      if (MQLONG bad = props::ConvertValue(p, requested, &value)) {
        cc = MQCC_FAILED;
        reason = bad;
        return;
      }
      type = requested;
    } else {
      value = p.value;
    }
    *pType = type;
    *pDataLength = static_cast<MQLONG>(value.size());
    if (impo.Options & MQIMPO_QUERY_LENGTH) return;
    if (value.size() > static_cast<size_t>(ValueLength)) {
      cc = MQCC_FAILED;
      reason = MQRC_PROPERTY_VALUE_TOO_BIG;
      return;
    }
    if (!value.empty()) std::memcpy(pValue, value.data(), value.size());
    if (pPropDesc) {
      auto pd = static_cast<MQPD*>(pPropDesc);
      pd->Support = p.support;
      pd->Context = p.context;
      pd->CopyOptions = p.copy_options;
    }
    impo.ReturnedEncoding = MQENC_NATIVE;
    impo.ReturnedCCSID = p.type == MQTYPE_STRING ? impo.RequestedCCSID : 0;
    if (!ReturnName(&impo, pInqPropOpts, p.name)) {
      cc = MQCC_WARNING;
      reason = MQRC_PROPERTY_NAME_TOO_BIG;
    }
    h.cursor_set = true;
    h.cursor = i;
  });
  if (!found) return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  if (cc != MQCC_FAILED) std::memcpy(pInqPropOpts, &impo, sizeof impo);
  Result(pCompCode, pReason, cc, reason);
}

MQEMU_EXPORT void MQENTRY MQDLTMP(MQHCONN Hconn, MQHMSG Hmsg, PMQVOID pDltPropOpts, PMQVOID pName,
                                  PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pDltPropOpts, MQDMPO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_DMPO_ERROR);
  std::string name;
  if (MQLONG bad = ReadName(pName, false, &name)) return Failed(pCompCode, pReason, bad);
  bool deleted = false;
  if (!WithMessageHandle(Hconn, Hmsg, [&](MessageHandle& h) {
        std::string canonical = props::CanonicalName(name);
        auto it = std::find_if(h.list.begin(), h.list.end(),
                               [&](const props::Property& p) { return p.name == canonical; });
        if (it == h.list.end()) return;
        h.list.erase(it);
        h.cursor_set = false;
        deleted = true;
      })) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  if (!deleted) return Result(pCompCode, pReason, MQCC_WARNING, MQRC_PROPERTY_NOT_AVAILABLE);
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQBUFMH(MQHCONN Hconn, MQHMSG Hmsg, PMQVOID pBufMsgHOpts,
                                  PMQVOID pMsgDesc, MQLONG BufferLength, PMQVOID pBuffer,
                                  PMQLONG pDataLength, PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pBufMsgHOpts, MQBMHO_STRUC_ID)) return Failed(pCompCode, pReason, MQRC_BMHO_ERROR);
  MQMD md;
  if (MQLONG bad = CheckBuffer(pMsgDesc, &md, BufferLength, pBuffer, pDataLength)) {
    return Failed(pCompCode, pReason, bad);
  }
  const bool remove = static_cast<const MQBMHO*>(pBufMsgHOpts)->Options & MQBMHO_DELETE_PROPERTIES;
  std::string data(static_cast<const char*>(pBuffer), static_cast<size_t>(BufferLength));
  MQLONG reason = MQRC_NONE;
  if (!WithMessageHandle(Hconn, Hmsg, [&](MessageHandle& h) {
        // A buffer without an MQRFH2 has no properties to take.
        if (std::memcmp(md.Format, MQFMT_RF_HEADER_2, sizeof md.Format) != 0) return;
        reason = props::TakeMqrfh2Properties(&md, &data, &h.list, remove);
        h.cursor_set = false;
      })) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  if (reason) return Failed(pCompCode, pReason, reason);
  if (!data.empty()) std::memcpy(pBuffer, data.data(), data.size());
  *pDataLength = static_cast<MQLONG>(data.size());
  StoreMd(pMsgDesc, md);
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}

MQEMU_EXPORT void MQENTRY MQMHBUF(MQHCONN Hconn, MQHMSG Hmsg, PMQVOID pMsgHBufOpts, PMQVOID pName,
                                  PMQVOID pMsgDesc, MQLONG BufferLength, PMQVOID pBuffer,
                                  PMQLONG pDataLength, PMQLONG pCompCode, PMQLONG pReason) {
  if (MQLONG bad = CheckHconn(Hconn)) return Failed(pCompCode, pReason, bad);
  if (!Valid(pMsgHBufOpts, MQMHBO_STRUC_ID) ||
      !(static_cast<const MQMHBO*>(pMsgHBufOpts)->Options & MQMHBO_PROPERTIES_IN_MQRFH2)) {
    return Failed(pCompCode, pReason, MQRC_MHBO_ERROR);
  }
  std::string pattern;
  if (MQLONG bad = ReadName(pName, true, &pattern)) return Failed(pCompCode, pReason, bad);
  MQMD md;
  if (MQLONG bad = CheckBuffer(pMsgDesc, &md, BufferLength, pBuffer, pDataLength)) {
    return Failed(pCompCode, pReason, bad);
  }
  const bool remove = static_cast<const MQMHBO*>(pMsgHBufOpts)->Options & MQMHBO_DELETE_PROPERTIES;
  std::string header;
  if (!WithMessageHandle(Hconn, Hmsg, [&](MessageHandle& h) {
        props::PropertyList chosen;
        for (const props::Property& p : h.list) {
          if (props::NameMatches(pattern, p.name)) chosen.push_back(p);
        }
        if (chosen.empty()) return;
        header = props::BuildMqrfh2(chosen, md);
        if (header.size() > static_cast<size_t>(BufferLength) || !remove) return;
        std::erase_if(
            h.list, [&](const props::Property& p) { return props::NameMatches(pattern, p.name); });
        h.cursor_set = false;
      })) {
    return Failed(pCompCode, pReason, MQRC_HMSG_ERROR);
  }
  if (header.empty()) return Failed(pCompCode, pReason, MQRC_PROPERTY_NOT_AVAILABLE);
  *pDataLength = static_cast<MQLONG>(header.size());
  if (header.size() > static_cast<size_t>(BufferLength)) {
    return Failed(pCompCode, pReason, MQRC_PROPERTY_VALUE_TOO_BIG);
  }
  std::memcpy(pBuffer, header.data(), header.size());
  std::memcpy(md.Format, MQFMT_RF_HEADER_2, sizeof md.Format);
  md.Encoding = MQENC_NATIVE;
  StoreMd(pMsgDesc, md);
  Result(pCompCode, pReason, MQCC_OK, MQRC_NONE);
}
