#include "files/analysis_file.h"

#include <algorithm>
#include <filesystem>

#include "util/c_format.h"

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
    out += TextLine(table.m_rowName[i]);
    out += TextLine(table.m_rowDate[i]);
    out += TextLine(table.m_rowTime[i]);
    out += IntLine(table.m_rowChamber[i]);
    out += FloatLine(table.m_rowRespiration[i]);
    out += FloatLine(table.m_rowSlope[i]);
    out += IntLine(table.m_rowDelay1[i]);
    out += IntLine(table.m_rowDelay2[i]);
    out += FloatLine(table.m_rowMaximumA[i]);
    out += FloatLine(table.m_rowMaximumM[i]);
    out += FloatLine(table.m_rowKphA[i]);
    out += IntLine(table.m_rowDiagramGroup[i]);
  }
  return out;
}

bool WriteAnalysisFile(const AnalysisTable& table, const std::string& path, int32_t unit) {
  return WriteFileAtomically(path, FormatAnalysisFile(table, unit));
}

int32_t ParseAnalysisFile(std::string_view text, AnalysisTable& table) {
  LineReader reader(text);
  std::string_view line;
  const int32_t count = reader.Next(line) ? ParseInt(line) : 0;
  const int32_t unit = reader.Next(line) ? ParseInt(line) : 0;
  table.m_analysisDirty = 0;
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
  table.m_diagramGroupMax = table.HighestDiagramGroup();
  return unit;
}

bool ReadAnalysisFile(AnalysisTable& table, const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  ParseAnalysisFile(text, table);
  return true;
}

}  // namespace corvala
