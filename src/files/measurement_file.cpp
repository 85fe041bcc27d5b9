#include "files/measurement_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>

#include "run/record_text.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"
#include "util/key_value_text.h"

namespace corvala {
namespace {

constexpr const char* kMarker = kSamplesMarker;
// A row is read with at most 254 characters, line end included.
constexpr size_t kMaxRow = 254;
// A row shorter than this (line end included) has the short layout.
constexpr size_t kLongRow = 40;
// The steps a station writes at most; steps announced beyond them are read only
// while the file holds their keys, so a huge "AnzahlProg" cannot stall the load.
constexpr int32_t kTrustedSteps = 9999;
// The chart top never goes beyond this, whatever a file holds (100 bar).
constexpr int32_t kMaxChartTop = 100000;
// The reader tells its progress after this many lines.
constexpr int64_t kLinesPerReport = 4096;

int32_t SaturatingAdd(int32_t value, int32_t add) {
  const int64_t sum = static_cast<int64_t>(value) + add;
  return static_cast<int32_t>(std::min<int64_t>(sum, std::numeric_limits<int32_t>::max()));
}

// Index of the first token holding each step key ("Delay" or "Licht" followed by
// FormatRowNumber(k)), so that every step is found without rescanning the file.
// A digit run after the prefix holds the key of every k whose number text is a
// prefix of the run ("Delay00012" holds Delay0001 as well as Delay00012).
class StepKeyIndex {
 public:
  explicit StepKeyIndex(const KeyValueText& file) {
    for (int t = 0; t < file.TokenCount(); ++t) {
      const std::string& token = file.Token(t);
      IndexPrefix(token, "Delay", t, delay_);
      IndexPrefix(token, "Licht", t, light_);
    }
  }
  int Delay(int32_t k) const { return Find(delay_, k); }
  int Light(int32_t k) const { return Find(light_, k); }

 private:
  void IndexPrefix(const std::string& token, std::string_view prefix, int t,
                   std::unordered_map<int32_t, int>& map) {
    ForEachNumberedKey(token, prefix, [&](int32_t n) { map.emplace(n, t); });
  }
  static int Find(const std::unordered_map<int32_t, int>& map, int32_t k) {
    const auto it = map.find(k);
    return it == map.end() ? -1 : it->second;
  }

  std::unordered_map<int32_t, int> delay_, light_;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Key lookup over a measurement file. Every lookup finds the first token of the
// file that holds the key; as the header keys come before the rows, only the
// header (up to the marker's token) is split into tokens, and the whole file
// only when a key is not in the header.
class FileKeys {
 public:
  explicit FileKeys(std::string_view text) : text_(text) {
    size_t end = text.find(kMarker);
    if (end == std::string_view::npos) end = text.size();
    while (end < text.size() && !IsSpace(text[end])) ++end;
    header_ = std::make_unique<KeyValueText>(text.substr(0, end), kKeep);
    headerIsWhole_ = end == text.size();
  }
  double Lookup(std::string_view key) {
    const int t = header_->FindToken(key);
    return t >= 0 ? header_->ValueOf(t) : Whole().LookupSetting(key);
  }
  // A key that only the header holds: the rows are never split for it.
  double HeaderLookup(std::string_view key) const { return header_->LookupSetting(key); }
  // Offset just behind the first token holding key, or npos.
  size_t End(std::string_view key) {
    int t = header_->FindToken(key);
    if (t >= 0) return header_->TokenEnd(t);
    t = Whole().FindToken(key);
    return t >= 0 ? Whole().TokenEnd(t) : std::string_view::npos;
  }
  // Value of step key "Delay"/"Licht" + FormatRowNumber(k), -1.0 when absent.
  double Step(bool delay, int32_t k) {
    if (!headerSteps_) headerSteps_ = std::make_unique<StepKeyIndex>(*header_);
    const int t = delay ? headerSteps_->Delay(k) : headerSteps_->Light(k);
    if (t >= 0 || headerIsWhole_) return header_->ValueOf(t);
    const StepKeyIndex& whole = WholeSteps();
    return Whole().ValueOf(delay ? whole.Delay(k) : whole.Light(k));
  }
  // Whether the file holds a "Delay" or "Licht" key of step k.
  bool HasStep(int32_t k) {
    const StepKeyIndex& whole = WholeSteps();
    return whole.Delay(k) >= 0 || whole.Light(k) >= 0;
  }

 private:
  const KeyValueText& Whole() {
    if (headerIsWhole_) return *header_;
    if (!whole_) whole_ = std::make_unique<KeyValueText>(text_, kKeep);
    return *whole_;
  }
  const StepKeyIndex& WholeSteps() {
    if (!wholeSteps_) wholeSteps_ = std::make_unique<StepKeyIndex>(Whole());
    return *wholeSteps_;
  }

  // Every key looked up holds a letter: the rows' numbers are never kept as
  // tokens, even when a key missing from the header sends a lookup through them.
  static constexpr KeyValueText::Keep kKeep = KeyValueText::Keep::kNoNumbers;

  std::string_view text_;
  std::unique_ptr<KeyValueText> header_, whole_;
  std::unique_ptr<StepKeyIndex> headerSteps_, wholeSteps_;
  bool headerIsWhole_ = false;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// How a field of a sample row is written: a whole number ("%d"), a number with
// a fixed count of decimals ("%.2f", "%.1f"), a decimal number with any
// (or no) decimals, or the light digit.
enum class FieldKind { kWhole, kTwoDecimals, kOneDecimal, kDecimal, kLight };

struct FieldLayout {
  size_t width;
  FieldKind kind;
};

// "%4d %4d %4d %8d %8.2f %4.1f %1d", as the station writes its rows.
constexpr FieldLayout kLongLayout[7] = {{4, FieldKind::kWhole},       {4, FieldKind::kWhole},
                                        {4, FieldKind::kWhole},       {8, FieldKind::kWhole},
                                        {8, FieldKind::kTwoDecimals}, {4, FieldKind::kOneDecimal},
                                        {1, FieldKind::kLight}};
// The short layout: the pressure in five columns.
constexpr FieldLayout kShortLayout[7] = {{4, FieldKind::kWhole},   {4, FieldKind::kWhole},
                                         {4, FieldKind::kWhole},   {8, FieldKind::kWhole},
                                         {5, FieldKind::kDecimal}, {4, FieldKind::kOneDecimal},
                                         {1, FieldKind::kLight}};

// Digits without a leading zero (a lone "0" is one); false for none.
bool PlainDigits(std::string_view digits) {
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return false;
  return std::all_of(digits.begin(), digits.end(), IsDigit);
}

// Whether token is a number as the field's format writes one: decimal digits
// only (no exponent, no hexadecimal, no inf or nan), an optional minus sign.
bool WrittenAs(std::string_view token, FieldKind kind) {
  if (kind == FieldKind::kLight) return token == "0" || token == "1";
  if (!token.empty() && token[0] == '-') token.remove_prefix(1);
  const size_t point = token.find('.');
  if (kind == FieldKind::kWhole) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return point == std::string_view::npos && PlainDigits(token) && error == std::errc() &&
           end == token.data() + token.size();
  }
  const std::string_view whole = token.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : token.substr(point + 1);
  if (!PlainDigits(whole) || !std::all_of(decimals.begin(), decimals.end(), IsDigit)) return false;
  switch (kind) {
    case FieldKind::kTwoDecimals:
      return point != std::string_view::npos && decimals.size() == 2;
    case FieldKind::kOneDecimal:
      return point != std::string_view::npos && decimals.size() == 1;
    default:
      return point == std::string_view::npos || !decimals.empty();
  }
}

// Splits a row (without its line end) into its seven fields as the layout
// writes them: each field right-aligned in its width (a wider value takes the
// room it needs), the fields separated by one space, nothing before or after.
// False for any other text, so a row that ran into the next one (a lost line
// end) or a value in another notation is no sample.
bool SplitRow(std::string_view row, const FieldLayout (&layout)[7], std::string_view (&fields)[7]) {
  size_t pos = 0;
  for (size_t f = 0; f < 7; ++f) {
    if (f > 0) {
      if (pos >= row.size() || row[pos] != ' ') return false;
      ++pos;
    }
    size_t blanks = 0;
    while (pos < row.size() && row[pos] == ' ') ++blanks, ++pos;
    const size_t start = pos;
    while (pos < row.size() && row[pos] != ' ') ++pos;
    const std::string_view token = row.substr(start, pos - start);
    const size_t width = layout[f].width;
    if (token.empty() || blanks != (token.size() < width ? width - token.size() : 0)) return false;
    if (!WrittenAs(token, layout[f].kind)) return false;
    fields[f] = token;
  }
  return pos == row.size();
}

// Reads one sample row: true only for a row that stands on its own line in the
// long layout or (when shorter than kLongRow with its line end) the short one,
// with finite values.
bool ReadSampleRow(std::string_view row, bool hasLineEnd, Sample& sample) {
  // The layout is judged on the row with its line end, as the station writes
  // it; a last row that lost its line end is judged as if it had one.
  const size_t length = row.size() + (hasLineEnd ? 0 : 1);
  while (!row.empty() && (row.back() == '\n' || row.back() == '\r')) row.remove_suffix(1);
  std::string_view fields[7];
  if (!SplitRow(row, length >= kLongRow ? kLongLayout : kShortLayout, fields)) return false;
  const float pressure = static_cast<float>(ParseFloat(fields[4]));
  const float temperature = static_cast<float>(ParseFloat(fields[5]));
  if (!std::isfinite(pressure) || !std::isfinite(temperature)) return false;
  sample.hour = ParseInt(fields[0]);
  sample.minute = ParseInt(fields[1]);
  sample.second = ParseInt(fields[2]);
  sample.elapsed = ParseInt(fields[3]);
  sample.pressure = pressure;
  sample.temperature = temperature;
  sample.light = fields[6] == "1" ? 1 : 0;
  return true;
}

}  // namespace

namespace {

// The text before the rows: the row count, the header and the marker.
std::string FormatFileHead(const ChamberRecord& record) {
  return Format("AnzahlMesswerte=%d\r\n", record.Samples() - 1) + FormatRecordHeader(record) +
         FormatSamplesMarker();
}

// Rows are formatted and written this many at a time (about 160 KB).
constexpr int32_t kRowsPerChunk = 4096;
// A row as the station writes it, line end included (wider values take more).
constexpr size_t kWrittenRow = 41;

// Calls f with the record to be written, under whatever guards it.
using RecordAccess = std::function<void(const std::function<void(const ChamberRecord&)>&)>;

// Writes the file from the record chunk by chunk; the record is reached through
// access for each chunk, so neither the record nor the file text is ever
// copied whole. A record that is no longer the run the header was written from
// (another length or start) abandons the file.
Result WriteInChunks(const std::string& path, const RecordAccess& access, Progress* progress) {
  bool headWritten = false;
  int32_t count = 0;
  int32_t next = 0;
  std::array<int32_t, 6> start{};
  auto startOf = [](const ChamberRecord& r) {
    return std::array<int32_t, 6>{r.startYear, r.startMonth,  r.startDay,
                                  r.startHour, r.startMinute, r.startSecond};
  };
  return WriteFileAtomicallyInChunks(path, [&](std::string& chunk) {
    if (progress != nullptr && progress->cancel.load()) return Result::Failure(kWritingCancelled);
    Result made = Result::Success();
    access([&](const ChamberRecord& r) {
      if (!headWritten) {
        headWritten = true;
        count = r.Samples();
        start = startOf(r);
        chunk = FormatFileHead(r);
        return;
      }
      if (next >= count) return;
      if (r.Samples() != count || startOf(r) != start) {
        made = Result::Failure("the run changed while it was written");
        return;
      }
      const int32_t end = std::min(count, next + kRowsPerChunk);
      chunk.reserve(kWrittenRow * static_cast<size_t>(end - next));
      if (progress != nullptr) progress->done.fetch_add(end - next);
      for (; next < end; ++next) chunk += FormatSampleRow(r.series.At(next));
    });
    return made;
  });
}

}  // namespace

std::string FormatMeasurementFile(const ChamberRecord& record) {
  const int32_t count = record.Samples();
  std::string out = FormatFileHead(record);
  out.reserve(out.size() + kWrittenRow * static_cast<size_t>(count));
  for (int32_t j = 0; j < count; ++j) out += FormatSampleRow(record.series.At(j));
  return out;
}

Result WriteMeasurementFile(const ChamberRecord& record, const std::string& path) {
  return WriteInChunks(
      path, [&](const std::function<void(const ChamberRecord&)>& f) { f(record); }, nullptr);
}

Result WriteMeasurementFile(const SharedChamber& chamber, const std::string& path,
                            Progress* progress) {
  return WriteInChunks(
      path,
      [&](const std::function<void(const ChamberRecord&)>& f) {
        chamber.Access([&](const ChamberRecord& r) { f(r); });
      },
      progress);
}

int32_t WidenMaxPressure(int32_t maxPressure, float pressure, int32_t pressureUnit, float factor1,
                         float factor2) {
  if (!std::isfinite(pressure) || TruncToInt32(pressure) == 0 || factor2 == 0.0f)
    return maxPressure;
  int32_t widened = maxPressure;
  if (pressureUnit == 1) {
    if (static_cast<float>(maxPressure) <= pressure)
      widened = SaturatingAdd(TruncToInt32(pressure), 10);
  } else if (pressureUnit == 2) {
    const int32_t v = TruncToInt32(static_cast<double>(pressure) / factor2 * factor1);
    if (maxPressure <= v) widened = SaturatingAdd(v, 10);
  }
  return std::min(widened, std::max(maxPressure, kMaxChartTop));
}

namespace {

// The header values and the program copy, each looked up by its key.
void ReadHeader(FileKeys& file, const MeasurementReadContext& context, ChamberRecord& r) {
  auto lookup = [&](const char* key) { return TruncToInt32(file.Lookup(key)); };
  r.startYear = lookup("Jahr");
  r.startMonth = lookup("Monat");
  r.startDay = lookup("Tag");
  r.startHour = lookup("Stunde");
  r.startMinute = lookup("Minute");
  r.startSecond = lookup("Sekunde");
  r.runInterval = lookup("Messabstand");
  if (r.runInterval == -1) r.runInterval = context.sampleInterval;
  r.runTemperature = lookup("Temperatur");
  if (r.runTemperature == -1) r.runTemperature = context.temperature;
  r.runUnit = lookup("Einheit");
  // Only mbar (1) and mg/l (2) exist; anything else is read as mbar.
  if (r.runUnit != 2) r.runUnit = 1;
  r.simulated = TruncToInt32(file.HeaderLookup(kSimulatedKey)) == 1;

  const int32_t announcedSteps = lookup("AnzahlProg");
  if (announcedSteps > 0) {
    // Beyond the steps a station writes, a step is read only while the file
    // holds its keys: neither a huge count nor a huge step number in a key makes
    // the reader allocate what the file does not hold.
    int32_t count = std::min(announcedSteps, kTrustedSteps);
    while (count < announcedSteps && file.HasStep(count + 1)) ++count;
    for (int32_t k = 1; k <= count; ++k) {
      r.stepTime.push_back(TruncToInt32(file.Step(true, k)));
      r.stepLight.push_back(TruncToInt32(file.Step(false, k)) == 1 ? 1 : 0);
    }
  }
}

}  // namespace

ChamberRecord ParseMeasurementHeader(std::string_view text, const MeasurementReadContext& context) {
  FileKeys file(text);
  ChamberRecord record;
  ReadHeader(file, context, record);
  return record;
}

MeasurementFileContent ParseMeasurementFile(std::string_view text,
                                            const MeasurementReadContext& context,
                                            Progress* progress) {
  MeasurementFileContent content;
  content.maxPressure = context.maxPressure;
  FileKeys file(text);
  content.announced = TruncToInt32(file.Lookup("AnzahlMesswerte"));
  if (content.announced < 1) return content;

  ChamberRecord& r = content.record;
  ReadHeader(file, context, r);

  // The rows start on the line after the marker.
  size_t pos = text.size();
  const size_t markerEnd = file.End(kMarker);
  if (markerEnd != std::string_view::npos) {
    const size_t lineEnd = text.find('\n', markerEnd);
    pos = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
  }
  // Lines that are no sample row (blank, cut, damaged) are passed over.
  const int64_t wanted = int64_t{content.announced} + 1;
  // The chart top is held in mbar; the rows are in the run's unit.
  const float factor1 = r.runUnit == 2 ? context.factor1 : 1.0f;
  const float factor2 = r.runUnit == 2 ? context.factor2 : 1.0f;
  // Room for the rows at once, but never for more than the lines the file
  // holds, whatever count it announces.
  const auto lines = static_cast<int64_t>(std::count(text.begin() + pos, text.end(), '\n')) +
                     (pos < text.size() && text.back() != '\n' ? 1 : 0);
  r.series.Reserve(static_cast<size_t>(std::min(wanted, lines)));
  if (progress != nullptr) progress->total = std::max<int64_t>(lines, 1);
  int64_t rows = 0;
  int64_t linesRead = 0;
  while (rows < wanted && pos < text.size()) {
    // The progress is told, and asked for a cancel, every few thousand lines.
    if (progress != nullptr && ++linesRead % kLinesPerReport == 0) {
      progress->done = linesRead;
      if (progress->cancel.load()) return content;
    }
    size_t end = text.find('\n', pos);
    const bool hasLineEnd = end != std::string_view::npos;
    end = hasLineEnd ? end + 1 : text.size();
    const std::string_view row = text.substr(pos, std::min(end - pos, kMaxRow));
    pos = end;
    Sample sample;
    if (!ReadSampleRow(row, hasLineEnd && row.back() == '\n', sample)) continue;
    r.series.Append(sample);
    ++rows;
    content.maxPressure =
        WidenMaxPressure(content.maxPressure, sample.pressure, r.runUnit, factor1, factor2);
  }
  if (progress != nullptr) progress->done = progress->total.load();
  return content;
}

std::string FileTitle(const std::string& path) {
  return StemOf(path);
}

}  // namespace corvala
