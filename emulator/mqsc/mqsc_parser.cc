// MQSC word splitting.
#include "mqsc/mqsc_parser.h"

namespace mqemu::mqsc {
namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ' || c == 0x7f;
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  ParsedCommand Run() {
    ParsedCommand out;
    for (SkipBlanks(); pos_ < text_.size(); SkipBlanks()) {
      Word w;
      if (!ReadWord(&w)) {
        if (!w.keyword.empty()) out.words.push_back(std::move(w));
        out.ok = false;
        out.error_end = pos_;
        return out;
      }
      out.words.push_back(std::move(w));
    }
    return out;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // Reads a keyword and its value. On failure pos_ is just past the point of
  // the error.
  bool ReadWord(Word* w) {
    while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '(' &&
           text_[pos_] != ')' && text_[pos_] != '\'') {
      w->keyword += Upper(text_[pos_++]);
    }
    if (w->keyword.empty()) {
      ++pos_;
      return false;
    }
    size_t after_keyword = pos_;
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '(') {
      pos_ = after_keyword;
      w->end = pos_;
      return true;
    }
    ++pos_;
    w->has_value = true;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '\'') {
      if (!ReadQuoted(&w->value)) return false;
      w->quoted = true;
      SkipBlanks();
    } else {
      while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '(' &&
             text_[pos_] != ')' && text_[pos_] != '\'') {
        w->value += Upper(text_[pos_++]);
      }
      SkipBlanks();
    }
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] != ')') {
      ++pos_;
      return false;
    }
    ++pos_;
    w->end = pos_;
    return true;
  }

  bool ReadQuoted(std::string* value) {
    ++pos_;  // the opening quote
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c != '\'') {
        *value += c;
      } else if (pos_ < text_.size() && text_[pos_] == '\'') {
        *value += '\'';
        ++pos_;
      } else {
        return true;
      }
    }
    return false;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

ParsedCommand ParseCommand(std::string_view text) {
  return Scanner(text).Run();
}

}  // namespace mqemu::mqsc
