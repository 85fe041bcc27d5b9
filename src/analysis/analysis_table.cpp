#include "analysis/analysis_table.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "analysis/normalisation.h"
#include "analysis/run_analysis.h"
#include "chart/time_format.h"
#include "files/analysis_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

std::string UnitText(const char* number, double value, int32_t unit, const char* mbar,
                     const char* mgl) {
  std::string text = Format(number, value);
  if (unit == 1) return text + mbar;
  if (unit == 2) return text + mgl;
  return text;
}

AnalysisListTexts RowTexts(const AnalysisRow& row, int32_t unit, const char* rateFormat) {
  return AnalysisListTexts{row.name,
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

AnalysisListTexts FreshRowTexts(const AnalysisRow& row, int32_t runUnit) {
  return RowTexts(row, runUnit, "%5.4f");
}

AnalysisListTexts LoadedRowTexts(const AnalysisRow& row, int32_t fileUnit) {
  return RowTexts(row, fileUnit, "%4.3f");
}

AnalysisRow AnalysisTable::Row(size_t i) const {
  return AnalysisRow{m_rowName[i],        m_rowDate[i],     m_rowTime[i],   m_rowChamber[i],
                     m_rowRespiration[i], m_rowSlope[i],    m_rowDelay1[i], m_rowDelay2[i],
                     m_rowMaximumA[i],    m_rowMaximumM[i], m_rowKphA[i],   m_rowDiagramGroup[i]};
}

void AnalysisTable::Append(const AnalysisRow& row, const AnalysisListTexts& texts) {
  m_rowName.push_back(row.name);
  m_rowDate.push_back(row.date);
  m_rowTime.push_back(row.time);
  m_rowChamber.push_back(row.chamber);
  m_rowRespiration.push_back(row.respiration);
  m_rowSlope.push_back(row.slope);
  m_rowDelay1.push_back(row.delay1);
  m_rowDelay2.push_back(row.delay2);
  m_rowMaximumA.push_back(row.maximumA);
  m_rowMaximumM.push_back(row.maximumM);
  m_rowKphA.push_back(row.kphA);
  m_rowDiagramGroup.push_back(row.diagramGroup);
  m_listTexts.push_back(texts);
}

void AnalysisTable::Clear() {
  m_rowName.clear();
  m_rowDate.clear();
  m_rowTime.clear();
  m_rowChamber.clear();
  m_rowRespiration.clear();
  m_rowSlope.clear();
  m_rowDelay1.clear();
  m_rowDelay2.clear();
  m_rowMaximumA.clear();
  m_rowMaximumM.clear();
  m_rowKphA.clear();
  m_rowDiagramGroup.clear();
  m_listTexts.clear();
}

int32_t AnalysisTable::HighestDiagramGroup() const {
  int32_t highest = 0;
  for (int32_t g : m_rowDiagramGroup) highest = std::max(highest, g);
  return highest;
}

bool AnalysisTable::DeleteRow(size_t i) {
  if (i >= RowCount()) return false;
  auto erase = [i](auto& column) { column.erase(column.begin() + static_cast<std::ptrdiff_t>(i)); };
  erase(m_rowName);
  erase(m_rowDate);
  erase(m_rowTime);
  erase(m_rowChamber);
  erase(m_rowRespiration);
  erase(m_rowSlope);
  erase(m_rowDelay1);
  erase(m_rowDelay2);
  erase(m_rowMaximumA);
  erase(m_rowMaximumM);
  erase(m_rowKphA);
  erase(m_rowDiagramGroup);
  erase(m_listTexts);
  m_diagramGroupMax = HighestDiagramGroup();
  m_analysisDirty = 1;
  return true;
}

bool AnalysisTable::CycleDiagramGroup(size_t s) {
  if (s >= RowCount()) return false;
  int32_t maxOther = 0;
  for (size_t i = 0; i < RowCount(); ++i)
    if (i != s) maxOther = std::max(maxOther, m_rowDiagramGroup[i]);
  int32_t& group = m_rowDiagramGroup[s];
  const int32_t highest = m_diagramGroupMax;
  if (group < highest) {
    ++group;
  } else if (highest == 0 || maxOther == highest) {
    ++group;
    m_diagramGroupMax = highest + 1;
  } else {
    group = 0;
    m_diagramGroupMax = HighestDiagramGroup();
  }
  m_listTexts[s][kAnalysisListColumns - 1] = DiagramGroupText(group);
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

AddRowOutcome AddAnalysisRow(AnalysisTable& table, Station& station, int chamber,
                             const std::string& name, const AnalysisRowOptions& options) {
  AddRowOutcome outcome;
  if (chamber < 0 || chamber > 2) return outcome;
  auto& shared = station.m_chamber[chamber];
  shared.Access([](ChamberRecord& r) { r.hasRun = 0; });
  RunAnalysis(station, options.correctionOn, options.correctionTime);

  const ChamberRecord record = shared.Snapshot();
  const AnalysisBlock& block = record.analysis;
  if (block.m_kphA.empty()) return outcome;
  outcome.passed = true;

  const bool switchedOn = station.m_normOffset[chamber].load() == 0.0f;
  if (switchedOn) {
    ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
    outcome.selectionSlopeReset = true;
  }
  const float baseline = station.m_normOffset[chamber].load();

  if (!block.m_riseRate.empty()) {
    AnalysisRow row;
    row.name = name;
    row.date = RunDateText(record);
    row.time = RunTimeText(record);
    row.chamber = chamber + 1;
    row.respiration = block.m_fallRate[0];
    row.slope = block.m_riseRate[0];
    const std::vector<int32_t> elapsed(record.sampleElapsed.begin(),
                                       record.sampleElapsed.begin() + record.Samples());
    std::tie(row.delay1, row.delay2) = FirstDelays(block, elapsed);
    row.maximumA = block.m_plateauLevel[0] - baseline;
    row.maximumM = block.m_plateauPeak[0] - baseline;
    row.kphA = block.m_kphA[0];
    row.diagramGroup = 0;
    table.Append(row, FreshRowTexts(row, record.runUnit));
    table.m_analysisDirty = 1;
    outcome.rowAdded = true;
  }

  if (switchedOn) ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
  if (!options.workingFile.empty())
    WriteAnalysisFile(table, options.workingFile, options.displayUnit);
  return outcome;
}

}  // namespace corvala
