#include "files/journal_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

#include "run/record_text.h"
#include "run/run_journal.h"
#include "util/c_format.h"

namespace corvala {
namespace {

// The next line of text from pos, without its line end; false at the end of
// the text or for a last line without a line end (`cut` then says whether
// anything stood there).
bool NextLine(std::string_view text, size_t& pos, std::string_view& line, bool& cut) {
  cut = false;
  if (pos >= text.size()) return false;
  const size_t end = text.find('\n', pos);
  if (end == std::string_view::npos) {
    cut = true;
    return false;
  }
  line = text.substr(pos, end - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = end + 1;
  return true;
}

template <class T>
bool Field(std::string_view& line, T& value) {
  const size_t end = std::min(line.find(' '), line.size());
  const std::string_view field = line.substr(0, end);
  if (field.empty()) return false;
  const auto [stop, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || stop != field.data() + field.size()) return false;
  line.remove_prefix(end == line.size() ? end : end + 1);
  return true;
}

// One row as FormatJournalRow writes it; false for anything else.
bool ParseRow(std::string_view line, Sample& s) {
  int32_t light = 0;
  if (!Field(line, s.hour) || !Field(line, s.minute) || !Field(line, s.second) ||
      !Field(line, s.elapsed) || !Field(line, s.pressure) || !Field(line, s.temperature) ||
      !Field(line, light) || !line.empty())
    return false;
  s.light = static_cast<uint8_t>(light);
  return std::isfinite(s.pressure) && std::isfinite(s.temperature) && s.hour >= 0 && s.hour <= 23 &&
         s.minute >= 0 && s.minute <= 59 && s.second >= 0 && s.second <= 59 && s.elapsed >= 0 &&
         (light == 0 || light == 1);
}

// One row exactly as FormatJournalRow writes it (no leading zeros, no other
// notation of a number): a row that ran into the next one after losing its
// end reads as numbers only by chance, and then rarely in this form.
bool ParseWrittenRow(std::string_view line, Sample& s) {
  if (!ParseRow(line, s)) return false;
  std::string again = FormatJournalRow(s);
  again.resize(again.size() - 2);  // the line end
  return again == line;
}

// The time of day moves on with the elapsed time, give or take a change of
// the clock (summer time, a set clock) of up to kClockSlack.
constexpr int64_t kDaySeconds = 86400;
constexpr int64_t kClockSlack = 7200;

int64_t SecondOfDay(const Sample& s) {
  return int64_t{s.hour} * 3600 + s.minute * 60 + s.second;
}

bool ClockAgrees(const Sample& before, const Sample& after) {
  int64_t off =
      (SecondOfDay(after) - SecondOfDay(before) - (int64_t{after.elapsed} - before.elapsed)) %
      kDaySeconds;
  if (off < 0) off += kDaySeconds;
  return off <= kClockSlack || off >= kDaySeconds - kClockSlack;
}

// A line the header of a journal holds: empty, or "Key=number" as written
// with "%d".
bool IsHeaderLine(std::string_view line) {
  if (line.empty()) return true;
  const size_t equals = line.find('=');
  if (equals == 0 || equals == std::string_view::npos) return false;
  for (const char c : line.substr(0, equals))
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  int32_t value = 0;
  const std::string_view number = line.substr(equals + 1);
  const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  return error == std::errc() && stop == number.data() + number.size();
}

}  // namespace

JournalContent ParseRunJournal(std::string_view text, const MeasurementReadContext& context) {
  JournalContent content;
  content.maxPressure = context.maxPressure;
  // Zero bytes at the end are blocks a power cut kept from being written.
  size_t size = text.size();
  while (size > 0 && text[size - 1] == '\0') --size;
  if (size < text.size()) content.state = JournalContent::State::kCut;
  text = text.substr(0, size);
  if (text.empty()) return content;

  auto damaged = [&](std::string problem) {
    content.state = JournalContent::State::kDamaged;
    content.problem = std::move(problem);
    return std::move(content);
  };
  size_t pos = 0;
  std::string_view line;
  bool cut = false;
  if (!NextLine(text, pos, line, cut)) {
    if (std::string_view(kJournalFirstLine).starts_with(text)) {
      content.state = JournalContent::State::kCut;
      return content;
    }
    return damaged("it does not begin as a journal does");
  }
  if (line != kJournalFirstLine) return damaged("it does not begin as a journal does");

  // The header ends with the marker line; a header cut short, inside a line or
  // between two (a power cut before the first sample), holds no sample.
  const size_t headerStart = pos;
  bool marker = false;
  bool headerLines = true;
  while (!marker && NextLine(text, pos, line, cut)) {
    marker = line == kSamplesMarker;
    headerLines = headerLines && (marker || IsHeaderLine(line));
  }
  if (!marker) {
    if (!headerLines) return damaged("its header has no end");
    content.state = JournalContent::State::kCut;
    return content;
  }
  content.record = ParseMeasurementHeader(text.substr(headerStart, pos - headerStart), context);

  // The chart top is held in mbar; the rows are in the run's unit.
  const int32_t unit = content.record.runUnit;
  const float factor1 = unit == 2 ? context.factor1 : 1.0f;
  const float factor2 = unit == 2 ? context.factor2 : 1.0f;
  // The rows go straight into the record's series, with room for every line
  // the journal holds (never more, whatever it claims).
  SampleSeries& rows = content.record.series;
  rows.Reserve(static_cast<size_t>(std::count(text.begin() + pos, text.end(), '\n')));
  bool unreadable = false;
  Sample sample;
  while (!unreadable && NextLine(text, pos, line, cut)) {
    unreadable = !ParseWrittenRow(line, sample);
    if (!unreadable) rows.Append(sample);
  }
  // A row whose clock leaves the run's course while the next row keeps to it
  // stands alone: a row that ran into the next one kept the next row's values
  // under another hour. The first sample was taken at the run's start.
  const ChamberRecord& r = content.record;
  const bool startKnown = r.startHour >= 0 && r.startHour <= 23 && r.startMinute >= 0 &&
                          r.startMinute <= 59 && r.startSecond >= 0 && r.startSecond <= 59;
  const Sample start{r.startHour, r.startMinute, r.startSecond, 0, 0.0f, 0, 0.0f};
  // Rows are dropped from the first one standing alone; the rows before it are
  // looked at again, as a row that kept to a dropped one may now stand alone
  // too. What stays reads the same when it is written and read again.
  const int32_t readable = rows.Size();
  int32_t count = readable;
  int32_t firstAlone = -1;  // a row inside the journal that stands alone: damage
  bool lastLeftOut = false;
  for (bool changed = true; changed;) {
    changed = false;
    for (int32_t k = 0; k < count; ++k) {
      const Sample before = k > 0 ? rows.At(k - 1) : start;
      if ((k == 0 && !startKnown) || ClockAgrees(before, rows.At(k))) continue;
      // The last row cannot be told from a clock set just before it: it is left out.
      if (k + 1 == count || ClockAgrees(before, rows.At(k + 1))) {
        // Only the first look decides what the journal is: cut or damaged.
        if (count == readable && k + 1 == count && !unreadable) {
          lastLeftOut = true;
        } else if (count == readable) {
          firstAlone = k;
        }
        count = k;
        changed = true;
        break;
      }
    }
  }
  rows.Truncate(count);
  for (const float pressure : rows.Pressure())
    content.maxPressure = WidenMaxPressure(content.maxPressure, pressure, unit, factor1, factor2);
  if (unreadable || firstAlone >= 0)
    return damaged(
        Format("its sample row %d cannot be read", (firstAlone >= 0 ? firstAlone : readable) + 1));
  if (cut || lastLeftOut) content.state = JournalContent::State::kCut;
  return content;
}

}  // namespace corvala
