// The date and time fields that the queue manager stamps on objects and
// messages, all in UTC.
#pragma once

#include <string>

namespace mqemu {

// Sets each field that is not null to the time now: *date "yyyy-mm-dd" and
// *time "hh.mm.ss" (creation of an object); put_date "YYYYMMDD" and put_time
// "HHMMSSTH" (8 characters each, not terminated; MQMD PutDate and PutTime).
void NowFields(std::string* date, std::string* time, char* put_date, char* put_time);

}  // namespace mqemu
