// The date and time fields that the queue manager stamps on objects and
// messages.
#include "qmgr/clock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace mqemu {

void DateTimeFields(std::chrono::system_clock::time_point when, std::string* date,
                    std::string* time) {
  std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  if (date) {
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    *date = buf;
  }
  if (time) {
    std::strftime(buf, sizeof buf, "%H.%M.%S", &tm);
    *time = buf;
  }
}

void NowFields(std::string* date, std::string* time, char* put_date, char* put_time) {
  auto now = std::chrono::system_clock::now();
  DateTimeFields(now, date, time);
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  if (put_date) {
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    std::memcpy(put_date, buf, 8);
  }
  if (put_time) {
    auto cs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000 / 10;
    std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(cs));
    std::memcpy(put_time, buf, 8);
  }
}

}  // namespace mqemu
