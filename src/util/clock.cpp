#include "util/clock.h"

#include <chrono>
#include <ctime>

namespace corvala {
namespace {

LocalTime FromTm(const std::tm& tm) {
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

SystemClock::SystemClock() {
  const auto wall = std::chrono::system_clock::now().time_since_epoch();
  const auto steady = std::chrono::steady_clock::now().time_since_epoch();
  offsetNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(wall).count() -
              std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count();
}

int64_t SystemClock::Now() const {
  return static_cast<int64_t>(std::time(nullptr));
}

int64_t SystemClock::Monotonic() const {
  const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count() +
                     offsetNs_;
  // Whole seconds, rounded down also before the epoch.
  constexpr int64_t kSecond = 1'000'000'000;
  return ns >= 0 ? ns / kSecond : -((-ns + kSecond - 1) / kSecond);
}

LocalTime SystemClock::ToLocal(int64_t seconds) const {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return FromTm(tm);
}

LocalTime ManualClock::ToLocal(int64_t seconds) const {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
#ifdef _WIN32
  gmtime_s(&tm, &t);
#else
  gmtime_r(&t, &tm);
#endif
  return FromTm(tm);
}

}  // namespace corvala
