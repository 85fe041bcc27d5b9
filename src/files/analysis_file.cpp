#include "files/analysis_file.h"

#include <algorithm>

#include "util/c_format.h"
#include "util/file_io.h"

namespace corvala {
namespace {

// A reader takes at most 254 characters per line, line end included.
constexpr size_t kMaxLine = 254;
constexpr size_t kMaxText = kMaxLine - 2;
constexpr size_t kRowLines = 12;

std::string TextLine(const std::string& value) {
  std::string text = value;
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  if (text.size() > kMaxText) {
    size_t cut = kMaxText;
    // Do not split a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
  }
  return text + "\r\n";
}

std::string FloatLine(float value) {
  return Format("%f\r\n", static_cast<double>(value));
}
std::string IntLine(int32_t value) {
  return Format("%d\r\n", value);
}

// Lines of a text, each without its line end (LF or CR LF) and cut to the
// characters a line holds.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (line.size() > kMaxLine - 1) line = line.substr(0, kMaxLine - 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::string FormatAnalysisFile(const AnalysisTable& table, int32_t unit) {
  std::string out = IntLine(static_cast<int32_t>(table.RowCount())) + IntLine(unit);
  for (size_t i = 0; i < table.RowCount(); ++i) {
    const AnalysisRow& row = table.Row(i);
    out += TextLine(row.name);
    out += TextLine(row.date);
    out += TextLine(row.time);
    out += IntLine(row.chamber);
    out += FloatLine(row.respiration);
    out += FloatLine(row.slope);
    out += IntLine(row.delay1);
    out += IntLine(row.delay2);
    out += FloatLine(row.maximumA);
    out += FloatLine(row.maximumM);
    out += FloatLine(row.kphA);
    out += IntLine(row.diagramGroup);
  }
  return out;
}

Result WriteAnalysisFile(const AnalysisTable& table, const std::string& path, int32_t unit) {
  return WriteFileAtomically(path, FormatAnalysisFile(table, unit));
}

int32_t ParseAnalysisFile(std::string_view text, AnalysisTable& table) {
  LineReader reader(text);
  std::string_view line;
  const int32_t count = reader.Next(line) ? ParseInt(line) : 0;
  const int32_t unit = reader.Next(line) ? ParseInt(line) : 0;
  table.MarkSaved();
  table.Clear();
  // The count is only a bound: rows are read while the text lasts.
  for (int32_t r = 0; r < count; ++r) {
    std::string_view fields[kRowLines];
    size_t got = 0;
    while (got < kRowLines && reader.Next(fields[got])) ++got;
    if (got < kRowLines) break;
    AnalysisRow row;
    row.name = std::string(fields[0]);
    row.date = std::string(fields[1]);
    row.time = std::string(fields[2]);
    row.chamber = ParseInt(fields[3]);
    row.respiration = static_cast<float>(ParseFloat(fields[4]));
    row.slope = static_cast<float>(ParseFloat(fields[5]));
    row.delay1 = ParseInt(fields[6]);
    row.delay2 = ParseInt(fields[7]);
    row.maximumA = static_cast<float>(ParseFloat(fields[8]));
    row.maximumM = static_cast<float>(ParseFloat(fields[9]));
    row.kphA = static_cast<float>(ParseFloat(fields[10]));
    // Groups count from 1; a negative number means "not in the diagram".
    row.diagramGroup = std::max(ParseInt(fields[11]), 0);
    table.Append(row, LoadedRowTexts(row, unit));
  }
  table.ResetDiagramGroupMax();
  return unit;
}

Result ReadAnalysisFile(AnalysisTable& table, const std::string& path) {
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return text.Status();
  ParseAnalysisFile(*text, table);
  return Result::Success();
}

}  // namespace corvala
