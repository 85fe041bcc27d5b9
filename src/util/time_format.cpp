#include "util/time_format.h"

#include "util/c_format.h"

namespace corvala {
namespace {

std::string TwoDigits(int32_t value) {
  return value < 10 ? Format("0%d", value) : Format("%d", value);
}

}  // namespace

std::string FormatHms(int32_t seconds) {
  const int32_t hours = seconds / 3600;
  const int32_t minutes = (seconds - hours * 3600) / 60;
  const int32_t rest = seconds - hours * 3600 - minutes * 60;
  return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
}

std::string FormatMs(int32_t seconds) {
  const int32_t hours = seconds / 3600;
  const int32_t minutes = (seconds - hours * 3600) / 60;
  const int32_t rest = seconds - hours * 3600 - minutes * 60;
  std::string text = TwoDigits(minutes) + ":" + TwoDigits(rest);
  return hours > 0 ? TwoDigits(hours) + ":" + text : text;
}

std::string FormatHm(int32_t seconds) {
  const int32_t hours = seconds / 3600;
  const int32_t minutes = (seconds - hours * 3600) / 60;
  return (hours < 1 ? std::string("00") : TwoDigits(hours)) + ":" + TwoDigits(minutes);
}

std::string FormatDate(int32_t day, int32_t month, int32_t year) {
  return TwoDigits(day) + "." + TwoDigits(month) + "." + Format("%d", year);
}

}  // namespace corvala
