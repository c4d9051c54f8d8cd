// Building and reading the property folders of an MQRFH2 header.
#include "properties/mqrfh2.h"

#include <array>
#include <cstring>
#include <vector>

#include "properties/conversion.h"

namespace mqemu::properties {
namespace {

constexpr MQLONG kNameValueCcsid = 1208;
constexpr size_t kFixedLength = MQRFH_STRUC_LENGTH_FIXED_2;

struct TypeName {
  MQLONG type;
  std::string_view dt;
};
// The dt attribute of each type; a string has none.
constexpr TypeName kTypeNames[] = {
    {MQTYPE_BOOLEAN, "boolean"}, {MQTYPE_BYTE_STRING, "bin.hex"},
    {MQTYPE_INT8, "i1"},         {MQTYPE_INT16, "i2"},
    {MQTYPE_INT32, "i4"},        {MQTYPE_INT64, "i8"},
    {MQTYPE_FLOAT32, "r4"},      {MQTYPE_FLOAT64, "r8"},
};

// The property folders, in the order a header holds them; a name without
// one of their prefixes is a user property.
constexpr std::array<std::string_view, 4> kFolders = {"mcd", "jms", "usr", "mqext"};

std::string_view FolderOf(std::string_view name, std::string_view* rest) {
  for (std::string_view f : kFolders) {
    if (f != "usr" && name.size() > f.size() && name.substr(0, f.size()) == f &&
        name[f.size()] == '.') {
      *rest = name.substr(f.size() + 1);
      return f;
    }
  }
  *rest = name;
  return "usr";
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

void AppendLong(std::string* out, MQLONG v) {
  out->append(reinterpret_cast<const char*>(&v), sizeof v);
}

// One property as nested elements: "a.b" is <a><b>value</b></a>.
void AppendElement(std::string* out, std::string_view path, const Property& p) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot - start));
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); ++i) *out += "<" + std::string(parts[i]) + ">";
  std::string leaf(parts.back());
  *out += "<" + leaf;
  if (p.type == MQTYPE_NULL) {
    *out += " xsi:nil='true'>";
  } else {
    for (const TypeName& t : kTypeNames) {
      if (t.type == p.type) *out += " dt='" + std::string(t.dt) + "'";
    }
    *out += ">" + Escape(ValueText(p));
  }
  *out += "</" + leaf + ">";
  for (size_t i = parts.size() - 1; i-- > 0;) *out += "</" + std::string(parts[i]) + ">";
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

// A reader of one folder's elements. Every read is checked against the end.
class FolderReader {
 public:
  explicit FolderReader(std::string_view text) : text_(text) {}

  // Reads the folder element; its leaf elements become properties named by
  // their path (under the folder's name, but for usr). Elements nest as
  // deep as their names allow: a path longer than a property name is
  // refused.
  bool ReadFolder(PropertyList* out) {
    SkipSpace();
    std::string name;
    Attributes attrs;
    bool empty = false;
    if (!ReadStartTag(&name, &attrs, &empty)) return false;
    if (!empty && !ReadBody(name, out)) return false;
    SkipSpace();
    return pos_ == text_.size();
  }

 private:
  // An element open while its body is read.
  struct Open {
    std::string name;
    Attributes attrs;
    size_t text_start;   // where its text would begin
    size_t path_before;  // the path's length before this element's name
    bool children = false;
  };

  // The bodies of the folder `folder` and the elements in it, through the
  // folder's end tag. An element without child elements (not the folder
  // itself) is the property named by its path.
  bool ReadBody(const std::string& folder, PropertyList* out) {
    std::string path = folder == "usr" ? "" : folder;
    std::vector<Open> open;
    open.push_back({folder, {}, pos_, path.size(), false});
    while (!open.empty()) {
      size_t lt = text_.find('<', pos_);
      if (lt == std::string_view::npos) return false;
      pos_ = lt;
      Open& top = open.back();
      if (text_.substr(pos_, 2) == "</") {
        std::string_view text = text_.substr(top.text_start, lt - top.text_start);
        pos_ += 2;
        std::string end;
        if (!ReadName(&end) || end != top.name || !Expect('>')) return false;
        if (!top.children && open.size() > 1 && !AddLeaf(path, top.attrs, Unescape(text), out)) {
          return false;
        }
        path.resize(top.path_before);
        open.pop_back();
        continue;
      }
      top.children = true;
      Open child;
      bool empty = false;
      if (!ReadStartTag(&child.name, &child.attrs, &empty)) return false;
      child.text_start = pos_;
      child.path_before = path.size();
      path += (path.empty() ? "" : ".") + child.name;
      if (path.size() > kMaxNameLength) return false;
      if (empty) {
        if (!AddLeaf(path, child.attrs, "", out)) return false;
        path.resize(child.path_before);
        continue;
      }
      open.push_back(std::move(child));
    }
    return true;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool Expect(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool ReadName(std::string* name) {
    size_t start = pos_;
    while (pos_ < text_.size() &&
           std::string_view("<>/= \t\r\n'\"").find(text_[pos_]) == std::string_view::npos) {
      ++pos_;
    }
    *name = std::string(text_.substr(start, pos_ - start));
    return !name->empty();
  }
  // <name attr='v' ...> or <name .../>
  bool ReadStartTag(std::string* name, Attributes* attrs, bool* empty) {
    if (!Expect('<') || !ReadName(name)) return false;
    for (;;) {
      SkipSpace();
      if (Expect('>')) return true;
      if (Expect('/')) {
        *empty = true;
        return Expect('>');
      }
      std::string key;
      if (!ReadName(&key) || !Expect('=') || pos_ >= text_.size()) return false;
      char quote = text_[pos_++];
      if (quote != '\'' && quote != '"') return false;
      size_t end = text_.find(quote, pos_);
      if (end == std::string_view::npos) return false;
      attrs->emplace_back(key, Unescape(text_.substr(pos_, end - pos_)));
      pos_ = end + 1;
    }
  }
  static std::string Unescape(std::string_view s) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
      bool replaced = false;
      if (s[i] == '&') {
        for (const auto& [entity, c] : kEntities) {
          if (s.substr(i, entity.size()) == entity) {
            out.push_back(c);
            i += entity.size();
            replaced = true;
            break;
          }
        }
      }
      if (!replaced) out.push_back(s[i++]);
    }
    return out;
  }
  static bool AddLeaf(const std::string& name, const Attributes& attrs, const std::string& text,
                      PropertyList* out) {
    Property p;
    p.name = CanonicalName(name);
    p.type = MQTYPE_STRING;
    for (const auto& [key, value] : attrs) {
      if (key == "xsi:nil" && value == "true") p.type = MQTYPE_NULL;
    }
    for (const auto& [key, value] : attrs) {
      if (key != "dt" || p.type == MQTYPE_NULL) continue;
      if (value == "int") p.type = MQTYPE_INT64;
      for (const TypeName& t : kTypeNames) {
        if (t.dt == value) p.type = t.type;
      }
    }
    if (CheckName(p.name) != MQRC_NONE || !ValueFromText(p.type, text, &p.value)) return false;
    SetProperty(out, std::move(p), true);
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

bool IsPropertyFolder(std::string_view data) {
  for (std::string_view f : kFolders) {
    std::string open = "<" + std::string(f);
    if (data.substr(0, open.size()) == open && data.size() > open.size() &&
        (data[open.size()] == '>' || data[open.size()] == ' ' || data[open.size()] == '/')) {
      return true;
    }
  }
  return false;
}

std::string_view TrimFolder(std::string_view data) {
  while (!data.empty() && (data.back() == ' ' || data.back() == '\0')) data.remove_suffix(1);
  while (!data.empty() && data.front() == ' ') data.remove_prefix(1);
  return data;
}

}  // namespace

std::string BuildMqrfh2(const PropertyList& list, const MQMD& md) {
  std::string folders;
  for (std::string_view folder : kFolders) {
    std::string text;
    for (const Property& p : list) {
      std::string_view rest;
      if (FolderOf(p.name, &rest) == folder) AppendElement(&text, rest, p);
    }
    if (text.empty()) continue;
    text = "<" + std::string(folder) + ">" + text + "</" + std::string(folder) + ">";
    text.resize((text.size() + 3) / 4 * 4, ' ');
    AppendLong(&folders, static_cast<MQLONG>(text.size()));
    folders += text;
  }
  MQRFH2 header = {MQRFH2_DEFAULT};
  header.StrucLength = static_cast<MQLONG>(kFixedLength + folders.size());
  header.Encoding = md.Encoding;
  header.CodedCharSetId = md.CodedCharSetId;
  std::memcpy(header.Format, md.Format, sizeof header.Format);
  header.NameValueCCSID = kNameValueCcsid;
  std::string out(reinterpret_cast<const char*>(&header), kFixedLength);
  return out + folders;
}

void PrependMqrfh2(const PropertyList& list, MQMD* md, std::string* data) {
  if (list.empty()) return;
  *data = BuildMqrfh2(list, *md) + *data;
  std::memcpy(md->Format, MQFMT_RF_HEADER_2, sizeof md->Format);
  md->Encoding = MQENC_NATIVE;
}

MQLONG TakeMqrfh2Properties(MQMD* md, std::string* data, PropertyList* list, bool remove) {
  MQRFH2 header;
  if (std::memcmp(md->Format, MQFMT_RF_HEADER_2, sizeof md->Format) != 0 ||
      data->size() < kFixedLength) {
    return MQRC_RFH_ERROR;
  }
  std::memcpy(&header, data->data(), kFixedLength);
  if (std::memcmp(header.StrucId, MQRFH_STRUC_ID, 4) != 0 || header.Version != MQRFH_VERSION_2 ||
      header.StrucLength < static_cast<MQLONG>(kFixedLength) ||
      static_cast<size_t>(header.StrucLength) > data->size()) {
    return MQRC_RFH_ERROR;
  }
  const size_t length = static_cast<size_t>(header.StrucLength);
  PropertyList found;
  std::string kept;  // the folders that stay, with their lengths
  for (size_t pos = kFixedLength; pos < length;) {
    MQLONG n = 0;
    if (length - pos < sizeof n) return MQRC_RFH_ERROR;
    std::memcpy(&n, data->data() + pos, sizeof n);
    pos += sizeof n;
    if (n < 0 || static_cast<size_t>(n) > length - pos) return MQRC_RFH_ERROR;
    std::string_view folder(data->data() + pos, static_cast<size_t>(n));
    pos += static_cast<size_t>(n);
    std::string_view text = TrimFolder(folder);
    if (IsPropertyFolder(text)) {
      if (!FolderReader(text).ReadFolder(&found)) return MQRC_RFH_FORMAT_ERROR;
    } else {
      AppendLong(&kept, n);
      kept.append(folder);
    }
  }
  for (Property& p : found) SetProperty(list, std::move(p), false);
  if (!remove) return MQRC_NONE;
  std::string rest = data->substr(length);
  if (kept.empty()) {
    md->Encoding = header.Encoding;
    md->CodedCharSetId = header.CodedCharSetId;
    std::memcpy(md->Format, header.Format, sizeof md->Format);
    *data = std::move(rest);
    return MQRC_NONE;
  }
  header.StrucLength = static_cast<MQLONG>(kFixedLength + kept.size());
  *data = std::string(reinterpret_cast<const char*>(&header), kFixedLength) + kept + rest;
  return MQRC_NONE;
}

}  // namespace mqemu::properties
