#include "analysis/analysis_table.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "analysis/normalisation.h"
#include "analysis/row_rates.h"
#include "analysis/run_analysis.h"
#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {
namespace {

std::string UnitText(const char* number, double value, int32_t unit, const char* mbar,
                     const char* mgl) {
  std::string text = Format(number, value);
  if (unit == 1) return text + mbar;
  if (unit == 2) return text + mgl;
  return text;
}

std::string FigureText(const std::optional<double>& value, const char* number, int32_t unit,
                       const char* mbar, const char* mgl) {
  return value ? UnitText(number, *value, unit, mbar, mgl) : std::string();
}

// The six rate columns of one region.
void PutRateTexts(const RowRate& rate, const std::string& amountUnit, int32_t unit,
                  std::string* out) {
  out[0] = FigureText(rate.slope, "%.5g", unit, " mbar/s", " mg/(l*s)");
  out[1] = FigureText(rate.standardError, "%.3g", unit, " mbar/s", " mg/(l*s)");
  out[2] = rate.r2 ? Format("%.5f", *rate.r2) : std::string();
  out[3] = FigureText(rate.correctedSlope, "%.5g", unit, " mbar/s", " mg/(l*s)");
  out[4] = rate.micromolPerHour ? Format("%.4g µmol/h", *rate.micromolPerHour) : std::string();
  if (rate.micromolPerHourPerAmount) {
    out[5] = amountUnit.empty()
                 ? Format("%.4g", *rate.micromolPerHourPerAmount)
                 : Format("%.4g µmol/(h·%s)", *rate.micromolPerHourPerAmount, amountUnit.c_str());
  }
}

AnalysisListTexts RowTexts(const AnalysisRow& row, int32_t unit, const char* rateFormat) {
  AnalysisListTexts texts{row.name,
                          row.date,
                          row.time,
                          Format("%d", row.chamber),
                          UnitText(rateFormat, row.respiration, unit, " mbar/s", " mg/(l*s)"),
                          UnitText(rateFormat, row.slope, unit, " mbar/s", " mg/(l*s)"),
                          DelayText(row.delay1, row.delay2),
                          UnitText("%4.3f", row.maximumA, unit, " mbar", " mg/l"),
                          UnitText("%4.3f", row.maximumM, unit, " mbar", " mg/l"),
                          Format("%4.3f", static_cast<double>(row.kphA)),
                          DiagramGroupText(row.diagramGroup)};
  const auto rates = RateListTexts(row.rates, unit);
  std::copy(rates.begin(), rates.end(), texts.begin() + kRateListFirstColumn);
  return texts;
}

int32_t ClampedDifference(int32_t later, int32_t earlier) {
  const int64_t d = static_cast<int64_t>(later) - earlier;
  return static_cast<int32_t>(std::clamp<int64_t>(d, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::string RunDateText(const ChamberRecord& record) {
  return FormatDate(record.startDay, record.startMonth, record.startYear);
}

std::string RunTimeText(const ChamberRecord& record) {
  const int64_t seconds =
      int64_t{record.startHour} * 3600 + int64_t{record.startMinute} * 60 + record.startSecond;
  return FormatHms(static_cast<int32_t>(std::clamp<int64_t>(
      seconds, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())));
}

std::string DelayText(int32_t delay1, int32_t delay2) {
  return delay1 == delay2 ? Format("%d s", delay1) : Format("%d/%d s", delay1, delay2);
}

std::string DiagramGroupText(int32_t group) {
  return group < 1 ? "---" : Format("%d", group);
}

std::array<std::string, kRateListColumns> RateListTexts(const RowRates& rates, int32_t unit) {
  std::array<std::string, kRateListColumns> texts;
  PutRateTexts(rates.rise, rates.amountUnit, unit, texts.data());
  PutRateTexts(rates.fall, rates.amountUnit, unit, texts.data() + kRateListColumns / 2);
  return texts;
}

AnalysisListTexts FreshRowTexts(const AnalysisRow& row, int32_t runUnit) {
  return RowTexts(row, runUnit, "%5.4f");
}

AnalysisListTexts LoadedRowTexts(const AnalysisRow& row, int32_t fileUnit) {
  return RowTexts(row, fileUnit, "%4.3f");
}

void AnalysisTable::Append(const AnalysisRow& row, const AnalysisListTexts& texts) {
  rows_.push_back(Entry{row, texts});
}

void AnalysisTable::Clear() {
  rows_.clear();
  m_diagramGroupMax = 0;
}

int32_t AnalysisTable::HighestDiagramGroup() const {
  int32_t highest = 0;
  for (const Entry& entry : rows_) highest = std::max(highest, entry.row.diagramGroup);
  return highest;
}

bool AnalysisTable::DeleteRow(size_t i) {
  if (i >= RowCount()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  m_diagramGroupMax = HighestDiagramGroup();
  m_analysisDirty = 1;
  return true;
}

bool AnalysisTable::CycleDiagramGroup(size_t s) {
  if (s >= RowCount()) return false;
  int32_t maxOther = 0;
  for (size_t i = 0; i < RowCount(); ++i)
    if (i != s) maxOther = std::max(maxOther, rows_[i].row.diagramGroup);
  int32_t& group = rows_[s].row.diagramGroup;
  const int32_t highest = m_diagramGroupMax;
  // No group beyond the largest number: a click that would open one takes the
  // row out of the diagram instead (a file may hold any group number).
  constexpr int32_t kLastGroup = std::numeric_limits<int32_t>::max();
  if (group < highest) {
    ++group;
  } else if ((highest == 0 || maxOther == highest) && group < kLastGroup && highest < kLastGroup) {
    ++group;
    m_diagramGroupMax = std::max(highest + 1, group);
  } else {
    group = 0;
    m_diagramGroupMax = HighestDiagramGroup();
  }
  rows_[s].texts[kAnalysisListColumns - 1] = DiagramGroupText(group);
  return true;
}

std::pair<int32_t, int32_t> FirstDelays(const AnalysisBlock& block,
                                        const std::vector<int32_t>& elapsed) {
  const auto count = static_cast<int32_t>(elapsed.size());
  auto valid = [&](int32_t pos) { return pos >= 0 && pos < count; };
  if (block.m_segmentBounds.size() < 2 || !valid(block.m_segmentBounds[1])) return {0, 0};
  const int32_t start = elapsed[block.m_segmentBounds[1]];
  auto delay = [&](size_t i) {
    if (i >= block.m_minPos.size() || !valid(block.m_minPos[i])) return 0;
    return ClampedDifference(elapsed[block.m_minPos[i]], start);
  };
  return {delay(2), delay(3)};
}

AddRowOutcome AddAnalysisRow(AnalysisTable& table, const ChamberRecord& record, int chamber,
                             float normOffset, const std::string& name,
                             const AnalysisRowOptions& options) {
  AddRowOutcome outcome;
  if (chamber < 0 || chamber > 2) return outcome;
  const AnalysisBlock& block = record.analysis;
  if (block.m_kphA.empty()) return outcome;
  outcome.passed = true;

  // With normalisation off it is switched on for the row and off again.
  const bool switchedOn = normOffset == 0.0f;
  outcome.selectionSlopeReset = switchedOn;
  const float baseline = switchedOn ? SwitchedNormOffset(normOffset, record, options.correctionOn,
                                                         options.correctionTime)
                                    : normOffset;

  if (!block.m_riseRate.empty()) {
    AnalysisRow row;
    row.name = name;
    row.date = RunDateText(record);
    row.time = RunTimeText(record);
    row.chamber = chamber + 1;
    row.respiration = block.m_fallRate[0];
    row.slope = block.m_riseRate[0];
    const std::vector<int32_t> elapsed(record.series.Elapsed().begin(),
                                       record.series.Elapsed().begin() + record.Samples());
    std::tie(row.delay1, row.delay2) = FirstDelays(block, elapsed);
    row.maximumA = block.m_plateauLevel[0] - baseline;
    row.maximumM = block.m_plateauPeak[0] - baseline;
    row.kphA = block.m_kphA[0];
    row.diagramGroup = 0;
    const ChamberOxygen& oxygen = options.rates.chambers[static_cast<size_t>(chamber)];
    row.rates = RowRatesOf(RateSeriesOf(record), block, record.runUnit,
                           options.blank ? &*options.blank : nullptr, oxygen);
    table.Append(row, FreshRowTexts(row, record.runUnit));
    table.MarkChanged();
    outcome.rowAdded = true;
  }
  return outcome;
}

}  // namespace corvala
