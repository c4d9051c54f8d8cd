// MQSC replies of a z/OS command server, as the agent and its clients read
// them: each reply message holds one text that begins with its 8-character
// message number, and the text that closes the answer is a completion
// message.
#pragma once

#include <string_view>

// Whether an MQSC reply text closes its answer: CSQ9022I (normal
// completion), CSQ9023E (abnormal completion) or CSQ9023I. Only the first 8
// characters of `text` are looked at.
constexpr bool IsClosingMqscText(std::string_view text) {
  return text.starts_with("CSQ9022I") || text.starts_with("CSQ9023E") ||
         text.starts_with("CSQ9023I");
}
