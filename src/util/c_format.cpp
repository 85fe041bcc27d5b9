#include "util/c_format.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace corvala {
namespace {

#ifdef _WIN32

// Windows has no uselocale: the calling thread gets a locale of its own for
// the lifetime of the object, its numbers in the "C" locale.
class ScopedCLocale {
 public:
  ScopedCLocale() {
    // Numbers read and written as in "C" already (the usual case): nothing to switch.
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] == '.' && point[1] == '\0') return;
    previousMode_ = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* now = std::setlocale(LC_NUMERIC, nullptr);
    if (now != nullptr && std::strcmp(now, "C") != 0) {
      previous_ = now;
      std::setlocale(LC_NUMERIC, "C");
    }
  }
  ~ScopedCLocale() {
    if (!previous_.empty()) std::setlocale(LC_NUMERIC, previous_.c_str());
    if (previousMode_ > 0) _configthreadlocale(previousMode_);
  }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  int previousMode_ = 0;
  std::string previous_;
};

// The C99 strtod of MinGW, as glibc's reads "inf", "nan" and hexadecimal
// numbers (the system's _strtod_l reads none of them), in the "C" locale.
double StrtodC(const char* text, char** end) {
  ScopedCLocale c_locale;
  return __mingw_strtod(text, end);
}

long long StrtollC(const char* text) {
  return std::strtoll(text, nullptr, 10);
}

#else

locale_t CLocale() {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c_locale;
}

// Switches the calling thread to the "C" locale for the lifetime of the object.
class ScopedCLocale {
 public:
  ScopedCLocale() : previous_(uselocale(CLocale())) {}
  ~ScopedCLocale() { uselocale(previous_); }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t previous_;
};

double StrtodC(const char* text, char** end) {
  return strtod_l(text, end, CLocale());
}

long long StrtollC(const char* text) {
  return strtoll_l(text, nullptr, 10, CLocale());
}

#endif

}  // namespace

std::string Format(const char* fmt, ...) {
  ScopedCLocale c_locale;
  char small[256];
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  std::string out;
  if (length < 0) {
    va_end(copy);
    return out;
  }
  if (static_cast<size_t>(length) < sizeof small) {
    out.assign(small, static_cast<size_t>(length));
  } else {
    out.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, copy);
    out.resize(static_cast<size_t>(length));
  }
  va_end(copy);
  return out;
}

double ParseFloat(std::string_view text) {
  // strtod needs a terminated string; numbers are short, so copy at most a line.
  std::string buffer(text.substr(0, 512));
  return StrtodC(buffer.c_str(), nullptr);
}

std::optional<double> ParseNumber(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(" \t");
  const std::string buffer(text.substr(first, last - first + 1).substr(0, 512));
  char* end = nullptr;
  const double value = StrtodC(buffer.c_str(), &end);
  if (end != buffer.c_str() + buffer.size()) return std::nullopt;
  return value;
}

int32_t ParseInt(std::string_view text) {
  std::string buffer(text.substr(0, 512));
  errno = 0;
  const long long value = StrtollC(buffer.c_str());
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t TruncToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace corvala
