#include "files/settings_file.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <unordered_map>

#include "util/c_format.h"
#include "util/file_io.h"

namespace corvala {
namespace {

// The keys of one program row, in the order the reader looks them up: hours,
// minutes, seconds, chambers I to III, light, end.
const char* const kRowKeyPrefixes[] = {"Stunde",   "Minute",   "Sekunde", "Kammer1-",
                                       "Kammer2-", "Kammer3-", "Licht",   "Ende"};

constexpr int kRowKeyCount = sizeof kRowKeyPrefixes / sizeof kRowKeyPrefixes[0];

// A row key as a number: which prefix, and the row.
int64_t RowKey(int prefix, int32_t row) {
  return (int64_t{prefix} << 32) | static_cast<uint32_t>(row);
}

// Every program row key (prefix + FormatRowNumber(i)) that occurs in token t,
// remembered with the first token that holds it.
void IndexRowKeys(const std::string& token, int t, std::set<int32_t>& rows,
                  std::unordered_map<int64_t, int>& firstToken) {
  for (int prefix = 0; prefix < kRowKeyCount; ++prefix) {
    ForEachNumberedKey(token, kRowKeyPrefixes[prefix], [&](int32_t n) {
      rows.insert(n);
      firstToken.emplace(RowKey(prefix, n), t);
    });
  }
}

// A stored factor as a float; beyond the float range it becomes infinite
// rather than an undefined conversion.
float ToFloat(double value) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  if (std::fabs(value) > std::numeric_limits<float>::max())
    return value > 0 ? kInfinity : -kInfinity;
  return static_cast<float>(value);
}

}  // namespace

SettingsReadResult ParseSettings(std::string_view text) {
  SettingsReadResult result;
  Settings& s = result.settings;
  const KeyValueText file(text);

  auto readInt = [&](const char* key, int32_t& member) {
    const int32_t value = TruncToInt32(file.LookupSetting(key));
    if (value != -1) member = value;
  };
  readInt("Temperatur", s.m_temperature);
  readInt("Messabstand", s.m_sampleInterval);
  readInt("MaxDruck", s.m_maxPressure);
  readInt("Zeitanzeige", s.m_maxTime);
  readInt("Kalibrierwert", s.m_calibrationValue);
  readInt("Korrekturwert", s.m_correctionTime);

  const int32_t correction = TruncToInt32(file.LookupSetting("Korrekturan"));
  if (correction == 1) s.m_correctionOn = 1;
  if (correction == 0) s.m_correctionOn = 0;
  s.m_comma = TruncToInt32(file.LookupSetting("Komma")) == 0 ? 0 : 1;
  s.m_beep = TruncToInt32(file.LookupSetting("Beep")) == 1 ? 1 : 0;
  s.m_demoMode = TruncToInt32(file.LookupSetting("Demomodus")) == 1 ? 1 : 0;
  s.m_interpolation = TruncToInt32(file.LookupSetting("Interpolation")) == 1 ? 1 : 0;
  readInt("COM", s.m_comPort);
  readInt("Einheit", s.m_unit);

  const double factor1 = file.LookupSetting("UmreFaktor1");
  if (factor1 != -1.0) s.m_factor1 = ToFloat(factor1);
  const double factor2 = file.LookupSetting("UmreFaktor2");
  if (factor2 != -1.0) s.m_factor2 = ToFloat(factor2);

  result.announcedRows = TruncToInt32(file.LookupSetting("AnzProg"));
  if (result.announcedRows <= 0) return result;

  // Rows without any stored key read as 0:00:00 with no chamber, which the
  // editor refuses; only rows that have a key can add a step, so only those are
  // read. This keeps a huge "AnzProg" from stalling the start.
  std::set<int32_t> present;
  std::unordered_map<int64_t, int> firstToken;
  for (int t = 0; t < file.TokenCount(); ++t) IndexRowKeys(file.Token(t), t, present, firstToken);
  for (const int32_t i : present) {
    if (i >= result.announcedRows) break;
    // Prefix k of kRowKeyPrefixes for row i.
    auto lookup = [&](int k) {
      const auto found = firstToken.find(RowKey(k, i));
      return TruncToInt32(file.ValueOf(found == firstToken.end() ? -1 : found->second));
    };
    StoredProgramRow row;
    row.index = i;
    auto orZero = [](int32_t v) { return v == -1 ? 0 : v; };
    row.hours = orZero(lookup(0));
    row.minutes = orZero(lookup(1));
    row.seconds = orZero(lookup(2));
    for (int c = 0; c < 3; ++c) row.chamber[static_cast<size_t>(c)] = lookup(3 + c) == 1 ? 1 : 0;
    row.light = lookup(6) == 1 ? 1 : 0;
    row.stop = lookup(7) == 1 ? 1 : 0;
    result.rows.push_back(row);
  }
  return result;
}

SettingsReadResult ReadSettings(const std::string& path) {
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return SettingsReadResult{};
  return ParseSettings(*text);
}

std::string FormatSettings(const Settings& s, const std::vector<ProgramStep>& program) {
  std::string out;
  auto line = [&out](const std::string& text) {
    out += text;
    out += "\r\n";
  };
  line(Format("Temperatur=%d", s.m_temperature));
  line(Format("MaxDruck=%d", s.m_maxPressure));
  line(Format("Messabstand=%d", s.m_sampleInterval));
  line(Format("Zeitanzeige=%d", s.m_maxTime));
  line(Format("Kalibrierwert=%d", s.m_calibrationValue));
  line(Format("Korrekturwert=%d", s.m_correctionTime));
  line(s.m_correctionOn == 1 ? "Korrekturan=1" : "Korrekturan=0");
  line(s.m_comma ? "Komma=1" : "Komma=0");
  line(s.m_beep ? "Beep=1" : "Beep=0");
  if (s.m_comPort >= 1 && s.m_comPort <= 9) line(Format("COM=%d", s.m_comPort));
  line(Format("Einheit=%d", s.m_unit));
  line(s.m_demoMode == 1 ? "Demomodus=1" : "Demomodus=0");
  line(s.m_interpolation == 1 ? "Interpolation=1" : "Interpolation=0");
  line(Format("UmreFaktor1=%f", static_cast<double>(s.m_factor1)));
  line(Format("UmreFaktor2=%f", static_cast<double>(s.m_factor2)));
  line(Format("AnzProg=%d", static_cast<int>(program.size())));
  int32_t row = 0;
  for (const ProgramStep& step : program) {
    const std::string n = FormatRowNumber(row++);
    line(Format("Stunde%s=%d", n.c_str(), step.hours));
    line(Format("Minute%s=%d", n.c_str(), step.minutes));
    line(Format("Sekunde%s=%d", n.c_str(), step.seconds));
    for (int c = 0; c < 3; ++c)
      line(Format("Kammer%d-%s=%d", c + 1, n.c_str(), step.chamber[c] == 1 ? 1 : 0));
    line(Format("Licht%s=%d", n.c_str(), step.light == 1 ? 1 : 0));
    line(Format("Ende%s=%d", n.c_str(), step.end == 1 ? 1 : 0));
  }
  return out;
}

Result WriteSettings(const std::string& path, const Settings& settings,
                     const std::vector<ProgramStep>& program) {
  return WriteFileAtomically(path, FormatSettings(settings, program));
}

}  // namespace corvala
