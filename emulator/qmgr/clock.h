// The date and time fields that the queue manager stamps on objects and
// messages, all in UTC.
#pragma once

#include <chrono>
#include <string>

namespace mqemu {

// Sets each field that is not null to the time now: *date "yyyy-mm-dd" and
// *time "hh.mm.ss" (creation of an object); put_date "YYYYMMDD" and put_time
// "HHMMSSTH" (8 characters each, not terminated; MQMD PutDate and PutTime).
void NowFields(std::string* date, std::string* time, char* put_date, char* put_time);

// *date "yyyy-mm-dd" and *time "hh.mm.ss" of a moment.
void DateTimeFields(std::chrono::system_clock::time_point when, std::string* date,
                    std::string* time);

}  // namespace mqemu
