#pragma once
// Text files of "key=value" tokens, as the settings and measurement files are
// read: whitespace-delimited tokens scanned from the start, numbered keys with
// at least four digits.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

// Calls take(line) for each line of text, without its CR LF or LF; a last line
// without a line end counts too.
void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& take);

// The row number text: at least four digits with leading zeros ("0000", "0012", "10000").
std::string FormatRowNumber(int32_t n);

// Calls f(n) for every row number n whose numbered key prefix + FormatRowNumber(n)
// occurs in token. A digit run after the prefix holds the key of every row
// whose number text is a prefix of the run ("Delay00012" holds Delay0001 as
// well as Delay00012); runs are read up to ten digits.
void ForEachNumberedKey(std::string_view token, std::string_view prefix,
                        const std::function<void(int32_t)>& f);

// A settings or measurement file opened for key lookup: whitespace-delimited
// tokens of at most 255 characters (longer ones are cut), scanned from the start.
class KeyValueText {
 public:
  // Which tokens are kept for lookup: all of them, or only those that are not
  // plain numbers (holding a character other than a digit, ".", "+" and "-").
  // A text looked up only by keys with a letter finds the same tokens without
  // keeping its rows of numbers.
  enum class Keep { kAll, kNoNumbers };
  explicit KeyValueText(std::string_view text, Keep keep = Keep::kAll);
  // The number after the last "=" of the first token that contains key, or -1.0.
  double LookupSetting(std::string_view key) const;
  // The number after the last "=" of token i (the text after its first character
  // when it has no "="), or -1.0 for i < 0.
  double ValueOf(int i) const;
  // Index of the first token containing key, or -1.
  int FindToken(std::string_view key) const;
  // Byte offset just behind token i in the text.
  size_t TokenEnd(int i) const { return tokens_[static_cast<size_t>(i)].end; }
  int TokenCount() const { return static_cast<int>(tokens_.size()); }
  const std::string& Token(int i) const { return tokens_[static_cast<size_t>(i)].text; }

 private:
  struct TokenAt {
    std::string text;
    size_t end;
  };
  std::vector<TokenAt> tokens_;
};

}  // namespace corvala
