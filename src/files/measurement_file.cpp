#include "files/measurement_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <unordered_map>

#include "app/settings_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

constexpr const char* kMarker = "Messwerte:";
// A row is read with at most 254 characters, line end included.
constexpr size_t kMaxRow = 254;
// A row shorter than this (line end included) has the short layout.
constexpr size_t kLongRow = 40;
// Program steps announced beyond this count are read only as far as the file
// holds step keys, so a huge "AnzahlProg" cannot stall the load.
constexpr int32_t kTrustedSteps = 9999;

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
  int32_t HighestStep() const { return highest_; }

 private:
  void IndexPrefix(const std::string& token, std::string_view prefix, int t,
                   std::unordered_map<int32_t, int>& map) {
    for (size_t at = token.find(prefix); at != std::string::npos; at = token.find(prefix, at + 1)) {
      const size_t digits = at + prefix.size();
      size_t run = 0;
      while (digits + run < token.size() && run < 10 && token[digits + run] >= '0' &&
             token[digits + run] <= '9')
        ++run;
      for (size_t len = 4; len <= run; ++len) {
        const std::string_view candidate(token.data() + digits, len);
        const int64_t n = std::stoll(std::string(candidate));
        if (n > std::numeric_limits<int32_t>::max()) continue;
        if (FormatRowNumber(static_cast<int32_t>(n)) != candidate) continue;
        map.emplace(static_cast<int32_t>(n), t);
        highest_ = std::max(highest_, static_cast<int32_t>(n));
      }
    }
  }
  static int Find(const std::unordered_map<int32_t, int>& map, int32_t k) {
    const auto it = map.find(k);
    return it == map.end() ? -1 : it->second;
  }

  std::unordered_map<int32_t, int> delay_, light_;
  int32_t highest_ = 0;
};

// Characters of the row from column first, at most count of them.
std::string_view Columns(std::string_view row, size_t first, size_t count) {
  if (first >= row.size()) return {};
  return row.substr(first, count);
}

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
    header_ = std::make_unique<KeyValueText>(text.substr(0, end));
    headerIsWhole_ = end == text.size();
  }
  double Lookup(std::string_view key) {
    const int t = header_->FindToken(key);
    return t >= 0 ? header_->ValueOf(t) : Whole().LookupSetting(key);
  }
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
  int32_t HighestStep() { return WholeSteps().HighestStep(); }

 private:
  const KeyValueText& Whole() {
    if (headerIsWhole_) return *header_;
    if (!whole_) whole_ = std::make_unique<KeyValueText>(text_);
    return *whole_;
  }
  const StepKeyIndex& WholeSteps() {
    if (!wholeSteps_) wholeSteps_ = std::make_unique<StepKeyIndex>(Whole());
    return *wholeSteps_;
  }

  std::string_view text_;
  std::unique_ptr<KeyValueText> header_, whole_;
  std::unique_ptr<StepKeyIndex> headerSteps_, wholeSteps_;
  bool headerIsWhole_ = false;
};

bool IsOneAt(std::string_view row, size_t column) {
  return column < row.size() && row[column] == '1';
}

bool FileExists(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  return static_cast<bool>(in);
}

}  // namespace

std::string FormatMeasurementFile(const ChamberRecord& record) {
  const int32_t count = record.Samples();
  const size_t steps = std::min(record.stepTime.size(), record.stepLight.size());
  std::string out;
  out.reserve(300 + 20 * steps + 41 * static_cast<size_t>(count));
  out += Format("AnzahlMesswerte=%d\r\n", count - 1);
  out += Format("Jahr=%d\r\n", record.startYear);
  out += Format("Monat=%d\r\n", record.startMonth);
  out += Format("Tag=%d\r\n", record.startDay);
  out += Format("Stunde=%d\r\n", record.startHour);
  out += Format("Minute=%d\r\n", record.startMinute);
  out += Format("Sekunde=%d\r\n", record.startSecond);
  out += Format("Messabstand=%d\r\n", record.runInterval);
  out += Format("Temperatur=%d\r\n", record.runTemperature);
  out += Format("Einheit=%d\r\n", record.runUnit);
  out += Format("AnzahlProg=%d\r\n", static_cast<int32_t>(steps));
  for (size_t k = 0; k < steps; ++k) {
    const std::string number = FormatRowNumber(static_cast<int32_t>(k + 1));
    out += Format("Delay%s=%d\r\n", number.c_str(), record.stepTime[k]);
    out += Format("Licht%s=%d\r\n", number.c_str(), record.stepLight[k]);
  }
  out += "\r\n\r\nMesswerte:\r\n";
  for (int32_t j = 0; j < count; ++j) {
    out += Format("%4d %4d %4d %8d %8.2f %4.1f %1d\r\n", record.sampleHour[j],
                  record.sampleMinute[j], record.sampleSecond[j], record.sampleElapsed[j],
                  static_cast<double>(record.samplePressure[j]),
                  static_cast<double>(record.sampleTemperature[j]),
                  record.sampleLight[j] == 1 ? 1 : 0);
  }
  return out;
}

bool WriteMeasurementFile(const ChamberRecord& record, const std::string& path) {
  return WriteFileAtomically(path, FormatMeasurementFile(record));
}

int32_t WidenMaxPressure(int32_t maxPressure, float pressure, int32_t displayUnit, float effFactor1,
                         float effFactor2) {
  if (TruncToInt32(pressure) == 0 || effFactor2 == 0.0f) return maxPressure;
  if (displayUnit == 1) {
    if (static_cast<float>(maxPressure) <= pressure)
      return SaturatingAdd(TruncToInt32(pressure), 10);
  } else if (displayUnit == 2) {
    const int32_t v = TruncToInt32(pressure / effFactor2 * effFactor1);
    if (maxPressure <= v) return SaturatingAdd(v, 10);
  }
  return maxPressure;
}

MeasurementFileContent ParseMeasurementFile(std::string_view text,
                                            const MeasurementReadContext& context) {
  MeasurementFileContent content;
  content.maxPressure = context.maxPressure;
  FileKeys file(text);
  auto lookup = [&](const char* key) { return TruncToInt32(file.Lookup(key)); };
  content.announced = lookup("AnzahlMesswerte");
  if (!content.HasSamples()) return content;

  ChamberRecord& r = content.record;
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

  const int32_t announcedSteps = lookup("AnzahlProg");
  if (announcedSteps > 0) {
    const int32_t count =
        announcedSteps <= kTrustedSteps
            ? announcedSteps
            : std::min(announcedSteps, std::max(kTrustedSteps, file.HighestStep()));
    for (int32_t k = 1; k <= count; ++k) {
      r.stepTime.push_back(TruncToInt32(file.Step(true, k)));
      r.stepLight.push_back(TruncToInt32(file.Step(false, k)) == 1 ? 1 : 0);
    }
  }

  // The rows start on the line after the marker.
  size_t pos = text.size();
  const size_t markerEnd = file.End(kMarker);
  if (markerEnd != std::string_view::npos) {
    const size_t lineEnd = text.find('\n', markerEnd);
    pos = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
  }
  const int64_t wanted = int64_t{content.announced} + 1;
  int64_t rows = 0;
  for (; rows < wanted && pos < text.size(); ++rows) {
    size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view row = text.substr(pos, std::min(end - pos, kMaxRow));
    pos = end;
    const bool longRow = row.size() >= kLongRow;
    const float pressure =
        static_cast<float>(ParseFloat(longRow ? Columns(row, 24, 8) : Columns(row, 24, 5)));
    const float temperature =
        static_cast<float>(ParseFloat(longRow ? Columns(row, 33, 4) : Columns(row, 30, 4)));
    r.sampleHour.push_back(ParseInt(Columns(row, 0, 4)));
    r.sampleMinute.push_back(ParseInt(Columns(row, 5, 4)));
    r.sampleSecond.push_back(ParseInt(Columns(row, 10, 4)));
    r.sampleElapsed.push_back(ParseInt(Columns(row, 15, 8)));
    r.samplePressure.push_back(pressure);
    r.sampleTemperature.push_back(temperature);
    r.sampleLight.push_back(IsOneAt(row, longRow ? 38 : 35) ? 1 : 0);
    content.maxPressure = WidenMaxPressure(content.maxPressure, pressure, context.displayUnit,
                                           context.effFactor1, context.effFactor2);
  }
  r.sampleCount = static_cast<int32_t>(rows);
  return content;
}

std::string FileTitle(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

MeasurementSaveResult SaveMeasurementFiles(Station& station, const std::array<uint8_t, 3>& selected,
                                           Prompts& prompts, const MeasurementSaveHooks& hooks) {
  MeasurementSaveResult result;
  const int selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
  if (selectedCount == 0) return result;
  std::string chosen;
  if (!prompts.ChooseSaveFile(kMeasurementExtension, chosen)) return result;

  std::array<bool, 3> saveable{};
  for (int c = 0; c < 3; ++c) saveable[c] = selected[c] == 1 && station.m_running[c].load() == 0;
  const std::filesystem::path chosenPath(chosen);
  const std::string title = FileTitle(chosen);
  std::array<std::string, 3> target, fileName;
  for (int c = 0; c < 3; ++c) {
    if (!saveable[c]) continue;
    if (selectedCount == 1) {
      target[c] = chosen;
    } else {
      fileName[c] = Format("%s_%d.cv3", title.c_str(), c + 1);
      target[c] = (chosenPath.parent_path() / fileName[c]).string();
    }
  }

  bool anyExists = false;
  for (int c = 0; c < 3; ++c) anyExists = anyExists || (saveable[c] && FileExists(target[c]));
  if (anyExists) {
    const char* question = selectedCount == 1 ? "Existing file will be overwritten!"
                                              : "Existing files will be overwritten!";
    if (!prompts.AskOkCancel(question)) return result;
  }

  for (int c = 0; c < 3; ++c) {
    if (!saveable[c]) continue;
    // The file is written first (whole, from a copy taken under the lock), so a
    // chamber whose file cannot be written is skipped without any change.
    const ChamberRecord copy = station.m_chamber[c].Snapshot();
    if (!WriteMeasurementFile(copy, target[c])) {
      result.failed.push_back(target[c]);
      continue;
    }
    result.written.push_back(target[c]);
    const std::string name = selectedCount == 1 ? title : fileName[c];
    station.m_chamber[c].Access([&](ChamberRecord& r) {
      r.measurementName = selectedCount == 1 ? target[c] : fileName[c];
    });
    if (copy.hasRun == 1 && hooks.addAnalysisRow) hooks.addAnalysisRow(c, name);
    station.m_chamber[c].Access([](ChamberRecord& r) { r.saved = 1; });
    if (hooks.rewriteWorkingFile) hooks.rewriteWorkingFile();
  }
  return result;
}

MeasurementLoadStatus LoadMeasurementInto(Station& station, int chamber, const std::string& path,
                                          const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks) {
  if (chamber < 0 || chamber > 2 || station.m_running[chamber].load() != 0)
    return MeasurementLoadStatus::kNothing;
  std::error_code error;
  std::string text;
  if (std::filesystem::is_directory(path, error) || !ReadWholeFile(path, text))
    return MeasurementLoadStatus::kNotOpened;

  MeasurementReadContext context;
  context.sampleInterval = station.m_sampleInterval.load();
  context.temperature = station.m_temperature.load();
  context.displayUnit = station.m_unit.load();
  context.effFactor1 = station.m_effFactor1.load();
  context.effFactor2 = station.m_effFactor2.load();
  context.maxPressure = station.m_maxPressure.load();
  MeasurementFileContent content = ParseMeasurementFile(text, context);

  auto& shared = station.m_chamber[chamber];
  if (content.HasSamples()) {
    station.m_normOffset[chamber].store(0.0f);
    if (hooks.beforeReplace) hooks.beforeReplace(chamber);
    const std::string title = FileTitle(path);
    shared.Access([&](ChamberRecord& r) {
      // The file replaces the whole run; the record keeps who it is and whether
      // its own run still awaits its analysis row.
      ChamberRecord loaded = std::move(content.record);
      loaded.chamberIndex = r.chamberIndex;
      loaded.hasRun = r.hasRun;
      loaded.analysis.Clear();
      loaded.saved = 1;
      loaded.measurementName = title;
      r = std::move(loaded);
    });
    // Only ever widened here; the sampler may have raised it meanwhile.
    int32_t top = context.maxPressure;
    while (!station.m_maxPressure.compare_exchange_weak(top, std::max(top, content.maxPressure))) {
    }
  }

  const int32_t unit = shared.Access([](const ChamberRecord& r) { return r.runUnit; });
  station.m_unit.store(unit);
  if (hooks.confirmConfiguration) hooks.confirmConfiguration();
  if (unit == 1) {
    station.m_effFactor1.store(1.0f);
    station.m_effFactor2.store(1.0f);
  } else if (unit == 2) {
    station.m_effFactor1.store(factors.factor1);
    station.m_effFactor2.store(factors.factor2);
  }
  if (hooks.refreshViews) hooks.refreshViews(chamber);
  return content.HasSamples() ? MeasurementLoadStatus::kLoaded : MeasurementLoadStatus::kNoSamples;
}

MeasurementLoadStatus LoadMeasurementFile(Station& station, const std::array<uint8_t, 3>& selected,
                                          Prompts& prompts, const ConversionFactors& factors,
                                          const MeasurementLoadHooks& hooks) {
  int chamber = -1;
  for (int c = 0; c < 3 && chamber < 0; ++c)
    if (selected[c] == 1 && station.m_running[c].load() == 0) chamber = c;
  if (chamber < 0) return MeasurementLoadStatus::kNothing;
  std::string path;
  if (!prompts.ChooseOpenFile(kMeasurementExtension, path)) return MeasurementLoadStatus::kNothing;
  const bool unsaved =
      station.m_chamber[chamber].Access([](const ChamberRecord& r) { return r.saved == 0; });
  if (unsaved && !prompts.AskOkCancel("Existing measurements will be overwritten!"))
    return MeasurementLoadStatus::kNothing;
  return LoadMeasurementInto(station, chamber, path, factors, hooks);
}

}  // namespace corvala
