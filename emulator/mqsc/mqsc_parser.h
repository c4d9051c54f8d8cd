// Splits the text of one MQSC command into words: a keyword, optionally
// followed by a value in parentheses.
//
//   command := word { blanks word }
//   word    := keyword [ blanks ] [ "(" [ blanks ] value [ blanks ] ")" ]
//   value   := "'" { char | "''" } "'"    quoted: kept as written, '' is '
//            | { char except blank ( ) ' }  unquoted: folded to upper case
//
// Keywords are folded to upper case. Blanks are spaces and any other control
// character, so that a command may span several lines. The parser knows no
// keyword; the interpreter gives the words their meaning.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mqemu::mqsc {

struct Word {
  std::string keyword;  // upper case
  bool has_value = false;
  bool quoted = false;
  std::string value;
  size_t end = 0;  // offset in the command text just past the word and its value
};

struct ParsedCommand {
  // The words read; after an error the last is the word in error as far as
  // it was read (unless the error came before its keyword).
  std::vector<Word> words;
  bool ok = true;
  // When !ok: the offset in the text just past the point where the error was
  // detected (the syntax error message shows the text up to there).
  size_t error_end = 0;
};

ParsedCommand ParseCommand(std::string_view text);

}  // namespace mqemu::mqsc
