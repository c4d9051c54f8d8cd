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

namespace {

// The MQMD fields of one second, formatted once for every put in it.
struct SecondFields {
  std::time_t second = -1;
  char date[8];  // YYYYMMDD
  char time[6];  // HHMMSS
};

void PutFields(std::chrono::system_clock::time_point now, char* put_date, char* put_time) {
  thread_local SecondFields cached;
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  if (t != cached.second) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
    std::memcpy(cached.date, buf, 8);
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::memcpy(cached.time, buf, 6);
    cached.second = t;
  }
  if (put_date) std::memcpy(put_date, cached.date, 8);
  if (put_time) {
    // to_time_t truncates, so the hundredths are those past the second.
    auto cs = std::chrono::duration_cast<std::chrono::milliseconds>(
                  now - std::chrono::system_clock::from_time_t(t))
                  .count() /
              10;
    std::memcpy(put_time, cached.time, 6);
    put_time[6] = static_cast<char>('0' + cs / 10);
    put_time[7] = static_cast<char>('0' + cs % 10);
  }
}

}  // namespace

void NowFields(std::string* date, std::string* time, char* put_date, char* put_time) {
  auto now = std::chrono::system_clock::now();
  if (date || time) DateTimeFields(now, date, time);
  if (put_date || put_time) PutFields(now, put_date, put_time);
}

}  // namespace mqemu
