#include "files/analysis_file.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

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

// The rates follow the rows, behind a marker line that carries the row count:
// a reader that knows only the rows stops before it. Each row has its rise
// and fall figures, then the amount unit.
constexpr std::string_view kRatesMarker = "[Rates] ";
constexpr size_t kRateFigures = 6;
constexpr size_t kRatesRowLines = 2 * kRateFigures + 1;

// Every digit a double needs to read back as itself; an empty line for no figure.
std::string FigureLine(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return "\r\n";
  return Format("%.17g\r\n", *value);
}

std::string RateLines(const RowRate& rate) {
  return FigureLine(rate.slope) + FigureLine(rate.standardError) + FigureLine(rate.r2) +
         FigureLine(rate.correctedSlope) + FigureLine(rate.micromolPerHour) +
         FigureLine(rate.micromolPerHourPerAmount);
}

// An empty line is no figure; false for a line that is not a finite number.
bool ParseFigure(std::string_view line, std::optional<double>& value) {
  if (line.empty()) {
    value.reset();
    return true;
  }
  const std::optional<double> number = ParseNumber(line);
  if (!number || !std::isfinite(*number)) return false;
  value = *number;
  return true;
}

bool ParseRate(const std::string_view* lines, RowRate& rate) {
  return ParseFigure(lines[0], rate.slope) && ParseFigure(lines[1], rate.standardError) &&
         ParseFigure(lines[2], rate.r2) && ParseFigure(lines[3], rate.correctedSlope) &&
         ParseFigure(lines[4], rate.micromolPerHour) &&
         ParseFigure(lines[5], rate.micromolPerHourPerAmount);
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
  // A table without rates keeps the file the rows alone make.
  bool anyRates = false;
  for (size_t i = 0; i < table.RowCount(); ++i) anyRates |= table.Row(i).rates != RowRates{};
  if (!anyRates) return out;
  out += std::string(kRatesMarker) + IntLine(static_cast<int32_t>(table.RowCount()));
  for (size_t i = 0; i < table.RowCount(); ++i) {
    const RowRates& rates = table.Row(i).rates;
    out += RateLines(rates.rise) + RateLines(rates.fall) + TextLine(rates.amountUnit);
  }
  return out;
}

Result WriteAnalysisFile(const AnalysisTable& table, const std::string& path, int32_t unit) {
  return WriteFileAtomically(path, FormatAnalysisFile(table, unit));
}

namespace {

// The rates block behind the rows, when it is whole and made for these rows;
// otherwise every row keeps empty rates.
void ParseRatesBlock(LineReader& reader, std::vector<AnalysisRow>& rows) {
  std::string_view line;
  const std::string marker =
      std::string(kRatesMarker) + Format("%d", static_cast<int32_t>(rows.size()));
  if (rows.empty() || !reader.Next(line) || line != marker) return;
  std::vector<RowRates> rates(rows.size());
  for (RowRates& row : rates) {
    std::string_view fields[kRatesRowLines];
    for (std::string_view& field : fields)
      if (!reader.Next(field)) return;
    if (!ParseRate(fields, row.rise) || !ParseRate(fields + kRateFigures, row.fall)) return;
    row.amountUnit = std::string(fields[2 * kRateFigures]);
  }
  for (size_t i = 0; i < rows.size(); ++i) rows[i].rates = std::move(rates[i]);
}

}  // namespace

int32_t ParseAnalysisFile(std::string_view text, AnalysisTable& table) {
  LineReader reader(text);
  std::string_view line;
  const int32_t count = reader.Next(line) ? ParseInt(line) : 0;
  const int32_t unit = reader.Next(line) ? ParseInt(line) : 0;
  table.MarkSaved();
  table.Clear();
  // The count is only a bound: rows are read while the text lasts.
  std::vector<AnalysisRow> rows;
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
    rows.push_back(std::move(row));
  }
  // Only a file whose rows are all there can carry their rates.
  if (static_cast<int64_t>(rows.size()) == count) ParseRatesBlock(reader, rows);
  // The rates are in place before the list texts are made from the row.
  for (const AnalysisRow& row : rows) table.Append(row, LoadedRowTexts(row, unit));
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
