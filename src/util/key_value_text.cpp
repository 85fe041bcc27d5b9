#include "util/key_value_text.h"

#include <algorithm>
#include <limits>

#include "util/c_format.h"

namespace corvala {
namespace {

constexpr size_t kMaxToken = 255;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::string FormatRowNumber(int32_t n) {
  if (n < 10) return Format("000%d", n);
  if (n < 100) return Format("00%d", n);
  if (n < 1000) return Format("0%d", n);
  return Format("%d", n);
}

void ForEachNumberedKey(std::string_view token, std::string_view prefix,
                        const std::function<void(int32_t)>& f) {
  for (size_t at = token.find(prefix); at != std::string_view::npos;
       at = token.find(prefix, at + 1)) {
    const size_t digits = at + prefix.size();
    size_t run = 0;
    while (digits + run < token.size() && run < 10 && token[digits + run] >= '0' &&
           token[digits + run] <= '9')
      ++run;
    int64_t n = 0;
    for (size_t len = 1; len <= run; ++len) {
      n = n * 10 + (token[digits + len - 1] - '0');
      if (len < 4 || n > std::numeric_limits<int32_t>::max()) continue;
      if (FormatRowNumber(static_cast<int32_t>(n)) == token.substr(digits, len))
        f(static_cast<int32_t>(n));
    }
  }
}

KeyValueText::KeyValueText(std::string_view text, Keep keep) {
  auto isNumberChar = [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-';
  };
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) break;
    const size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    const std::string_view kept = text.substr(start, std::min(i - start, kMaxToken));
    if (keep == Keep::kNoNumbers && std::all_of(kept.begin(), kept.end(), isNumberChar)) continue;
    tokens_.push_back(TokenAt{std::string(kept), i});
  }
}

int KeyValueText::FindToken(std::string_view key) const {
  for (size_t i = 0; i < tokens_.size(); ++i)
    if (tokens_[i].text.find(key) != std::string::npos) return static_cast<int>(i);
  return -1;
}

double KeyValueText::LookupSetting(std::string_view key) const {
  return ValueOf(FindToken(key));
}

double KeyValueText::ValueOf(int i) const {
  if (i < 0) return -1.0;
  const std::string& token = tokens_[static_cast<size_t>(i)].text;
  const size_t eq = token.rfind('=');
  const std::string_view value = eq == std::string::npos ? std::string_view(token).substr(1)
                                                         : std::string_view(token).substr(eq + 1);
  return ParseFloat(value);
}

void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& take) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    take(line);
  }
}

}  // namespace corvala
