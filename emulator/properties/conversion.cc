// Converting property values between types and to and from text.
#include "properties/conversion.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

namespace mqemu::properties {
namespace {

template <typename T>
std::string Bytes(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}
template <typename T>
T As(std::string_view bytes) {
  T v{};
  std::memcpy(&v, bytes.data(), std::min(bytes.size(), sizeof v));
  return v;
}

bool IsInteger(MQLONG type) {
  return type == MQTYPE_INT8 || type == MQTYPE_INT16 || type == MQTYPE_INT32 ||
         type == MQTYPE_INT64;
}

int64_t IntegerOf(const Property& p) {
  switch (p.type) {
    case MQTYPE_INT8:
      return As<int8_t>(p.value);
    case MQTYPE_INT16:
      return As<int16_t>(p.value);
    case MQTYPE_INT32:
      return As<int32_t>(p.value);
    default:
      return As<int64_t>(p.value);
  }
}

// An integer of `type` holding v, or false when v does not fit.
bool IntegerBytes(MQLONG type, int64_t v, std::string* out) {
  auto fits = [&](auto limit) {
    return v >= std::numeric_limits<decltype(limit)>::min() &&
           v <= std::numeric_limits<decltype(limit)>::max();
  };
  switch (type) {
    case MQTYPE_INT8:
      if (!fits(int8_t{})) return false;
      *out = Bytes(static_cast<int8_t>(v));
      return true;
    case MQTYPE_INT16:
      if (!fits(int16_t{})) return false;
      *out = Bytes(static_cast<int16_t>(v));
      return true;
    case MQTYPE_INT32:
      if (!fits(int32_t{})) return false;
      *out = Bytes(static_cast<int32_t>(v));
      return true;
    default:
      *out = Bytes(v);
      return true;
  }
}

template <typename T>
std::string NumberText(T v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

// Parses all of text as T; a leading '+' is allowed.
template <typename T>
bool ParseNumber(std::string_view text, T* v) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *v);
  return ec == std::errc() && end == text.data() + text.size();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

bool ValueFromText(MQLONG type, std::string_view text, std::string* out) {
  switch (type) {
    case MQTYPE_STRING:
      *out = std::string(text);
      return true;
    case MQTYPE_NULL:
      out->clear();
      return true;
    case MQTYPE_BOOLEAN: {
      bool yes = text == "1" || EqualsIgnoringCase(text, "true");
      bool no = text == "0" || EqualsIgnoringCase(text, "false");
      if (!yes && !no) return false;
      *out = Bytes(MQBOOL{yes ? 1 : 0});
      return true;
    }
    case MQTYPE_INT8:
    case MQTYPE_INT16:
    case MQTYPE_INT32:
    case MQTYPE_INT64: {
      int64_t v = 0;
      return ParseNumber(text, &v) && IntegerBytes(type, v, out);
    }
    case MQTYPE_FLOAT32: {
      float v = 0;
      if (!ParseNumber(text, &v)) return false;
      *out = Bytes(v);
      return true;
    }
    case MQTYPE_FLOAT64: {
      double v = 0;
      if (!ParseNumber(text, &v)) return false;
      *out = Bytes(v);
      return true;
    }
    case MQTYPE_BYTE_STRING: {
      if (text.size() % 2 != 0) return false;
      out->clear();
      for (size_t i = 0; i < text.size(); i += 2) {
        unsigned byte = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != text.data() + i + 2) return false;
        out->push_back(static_cast<char>(byte));
      }
      return true;
    }
    default:
      return false;
  }
}

std::string ValueText(const Property& p) {
  switch (p.type) {
    case MQTYPE_BOOLEAN:
      return As<MQBOOL>(p.value) ? "1" : "0";
    case MQTYPE_INT8:
    case MQTYPE_INT16:
    case MQTYPE_INT32:
    case MQTYPE_INT64:
      return NumberText(IntegerOf(p));
    case MQTYPE_FLOAT32:
      return NumberText(As<float>(p.value));
    case MQTYPE_FLOAT64:
      return NumberText(As<double>(p.value));
    case MQTYPE_BYTE_STRING: {
      std::string hex;
      for (unsigned char c : p.value) {
        hex.push_back(kHex[c >> 4]);
        hex.push_back(kHex[c & 15]);
      }
      return hex;
    }
    default:
      return p.value;
  }
}

MQLONG ConvertValue(const Property& p, MQLONG type, std::string* out) {
  if (type == p.type || type == MQTYPE_AS_SET) {
    *out = p.value;
    return MQRC_NONE;
  }
  if (type == MQTYPE_STRING) {
    if (p.type == MQTYPE_BYTE_STRING || p.type == MQTYPE_NULL) return MQRC_PROP_CONV_NOT_SUPPORTED;
    *out = p.type == MQTYPE_BOOLEAN ? (As<MQBOOL>(p.value) ? "TRUE" : "FALSE") : ValueText(p);
    return MQRC_NONE;
  }
  if (p.type == MQTYPE_STRING) {
    if (!IsType(type) || type == MQTYPE_NULL || type == MQTYPE_BYTE_STRING) {
      return MQRC_PROP_CONV_NOT_SUPPORTED;
    }
    return ValueFromText(type, p.value, out) ? MQRC_NONE : MQRC_PROP_NUMBER_FORMAT_ERROR;
  }
  if (IsInteger(p.type) && IsInteger(type) && FixedSize(type) >= FixedSize(p.type)) {
    IntegerBytes(type, IntegerOf(p), out);
    return MQRC_NONE;
  }
  if (p.type == MQTYPE_FLOAT32 && type == MQTYPE_FLOAT64) {
    *out = Bytes(static_cast<double>(As<float>(p.value)));
    return MQRC_NONE;
  }
  return MQRC_PROP_CONV_NOT_SUPPORTED;
}

}  // namespace mqemu::properties
