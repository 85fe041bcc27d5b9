#include "util/clock.h"

#include <ctime>

namespace corvala {
namespace {

LocalTime FromTm(const std::tm& tm) {
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

int64_t SystemClock::Now() const {
  return static_cast<int64_t>(std::time(nullptr));
}

LocalTime SystemClock::ToLocal(int64_t seconds) const {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return FromTm(tm);
}

LocalTime ManualClock::ToLocal(int64_t seconds) const {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return FromTm(tm);
}

}  // namespace corvala
