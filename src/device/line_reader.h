#pragma once
// Collects the device's bytes into lines: a carriage return ends a line, the
// first 200 characters are kept and the rest dropped. A line feed is an
// ordinary character, so the LF of a CR LF pair starts the next line.

#include <cstddef>
#include <string>

namespace corvala {

class LineReader {
 public:
  static constexpr size_t kMaxLineLength = 200;

  // Feeds one byte; true when it was the carriage return that ends a line.
  bool Feed(char byte) {
    if (byte == '\r') {
      if (complete_) line_.clear();  // an empty line
      complete_ = true;
      return true;
    }
    if (complete_) {
      line_.clear();
      complete_ = false;
    }
    if (line_.size() < kMaxLineLength) line_.push_back(byte);
    return false;
  }

  // The line ended by the last carriage return; the next byte starts a new one.
  const std::string& Line() const { return line_; }

  void Reset() {
    line_.clear();
    complete_ = false;
  }

 private:
  std::string line_;
  bool complete_ = false;
};

}  // namespace corvala
