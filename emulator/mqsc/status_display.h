// MQSC's status commands: DISPLAY QSTATUS, RESET QSTATS, DISPLAY QMSTATUS
// and DISPLAY CONN. Their keywords name the parameters of the PCF status
// commands (objects/status_record.h), so the words of a command become a
// status query, and each record of the answer becomes the fields of one
// displayed object, as runmqsc shows them.
#pragma once

#include <string>
#include <vector>

#include "mqsc/mqsc_keywords.h"
#include "mqsc/mqsc_parser.h"
#include "objects/status_record.h"

namespace mqemu::mqsc {

// Reads the words after the object's name (words[first] on) into *query
// (its command and name already set); returns the index of the first word
// in error, or words.size() when all are good.
size_t ReadStatusWords(ObjectKind object, const std::vector<Word>& words, size_t first,
                       objects::StatusQuery* query);

// The fields of the objects displayed from a status command's records, one
// entry per object; a field "\n" ends a line, an empty field separates a
// connection from each of its handles by a blank line. For DISPLAY CONN, only the connections whose
// CONN matches `name` (hexadecimal, possibly generic).
std::vector<std::vector<std::string>> StatusFields(
    ObjectKind object, const objects::StatusQuery& query, const std::string& name,
    const std::vector<objects::StatusRecord>& records);

}  // namespace mqemu::mqsc
