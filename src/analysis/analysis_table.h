#pragma once
// The analysis table: one row of characteristic values per analysed chamber
// run, held column-wise, with the texts list 1094 shows for each row.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/rate_settings.h"
#include "analysis/regression.h"
#include "run/chamber_record.h"

namespace corvala {

struct AnalysisRow {
  std::string name;
  std::string date;     // dd.mm.yyyy
  std::string time;     // hh:mm:ss
  int32_t chamber = 0;  // 1..3
  float respiration = 0.0f;
  float slope = 0.0f;
  int32_t delay1 = 0;
  int32_t delay2 = 0;
  float maximumA = 0.0f;
  float maximumM = 0.0f;
  float kphA = 0.0f;
  int32_t diagramGroup = 0;  // 0: not in the diagram
  RowRates rates;            // regression rates beside the values above
  bool operator==(const AnalysisRow&) const = default;
};

// Columns of list 1094: Name, Date, Time, Chamber, Respiration, Slope, Delay,
// Maximum-a, Maximum-m, KphA, Diagram.
inline constexpr int kAnalysisListColumns = 11;
// Then the regression rates, six for the Slope's region and six for the
// Respiration's: slope, its standard error, R², corrected slope, µmol/h and
// µmol/h per amount.
inline constexpr int kRateListColumns = 12;
inline constexpr int kRateListFirstColumn = kAnalysisListColumns;
inline constexpr int kAnalysisTableColumns = kAnalysisListColumns + kRateListColumns;
// The eleven come first (the Diagram group at kAnalysisListColumns - 1);
// what reads or writes the table's eleven values uses those only.
using AnalysisListTexts = std::array<std::string, kAnalysisTableColumns>;

// Texts of a row just added, in the unit of its run (four decimals for the rates).
AnalysisListTexts FreshRowTexts(const AnalysisRow& row, int32_t runUnit);
// Texts of a row read from an analysis file, in the file's unit (three decimals).
AnalysisListTexts LoadedRowTexts(const AnalysisRow& row, int32_t fileUnit);
// The texts of the regression rate columns of a row in a unit (1 mbar, 2 mg/l):
// slope and corrected slope "%.5g", standard error "%.3g", R² "%.5f", µmol/h
// "%.4g", per amount "%.4g" followed by the amount unit; "" for an empty figure.
std::array<std::string, kRateListColumns> RateListTexts(const RowRates& rates, int32_t unit);
// The start date ("dd.mm.yyyy") and start time ("hh:mm:ss") of a run.
std::string RunDateText(const ChamberRecord& record);
std::string RunTimeText(const ChamberRecord& record);
// "%d s" for equal delays, else "%d/%d s".
std::string DelayText(int32_t delay1, int32_t delay2);
// "---" below group 1, else the group number.
std::string DiagramGroupText(int32_t group);

class AnalysisTable {
 public:
  size_t RowCount() const { return rows_.size(); }
  // Row i, i < RowCount().
  const AnalysisRow& Row(size_t i) const { return rows_[i].row; }
  // What list 1094 shows for row i; kept with the row because a row stores no
  // unit and fresh and loaded rows are written with different decimals.
  const AnalysisListTexts& Texts(size_t i) const { return rows_[i].texts; }
  void Append(const AnalysisRow& row, const AnalysisListTexts& texts);
  // Removes every row; no diagram group is left in use.
  void Clear();
  // The highest diagram group of all rows, 0 when none.
  int32_t HighestDiagramGroup() const;
  // Removes row i (later rows move up), recomputes the highest group and marks
  // the table changed. False for no such row.
  bool DeleteRow(size_t i);
  // A click on row i moves it to the next diagram group: a new group when it
  // shares the highest group with other rows, out of the diagram when it alone
  // holds the highest group. False for no such row.
  bool CycleDiagramGroup(size_t i);

  // The highest diagram group in use (m_diagramGroupMax).
  int32_t DiagramGroupMax() const { return m_diagramGroupMax; }
  void ResetDiagramGroupMax() { m_diagramGroupMax = HighestDiagramGroup(); }
  // Changed since it was last saved or loaded (m_analysisDirty).
  bool Dirty() const { return m_analysisDirty != 0; }
  void MarkChanged() { m_analysisDirty = 1; }
  void MarkSaved() { m_analysisDirty = 0; }

 private:
  struct Entry {
    AnalysisRow row;
    AnalysisListTexts texts;
  };
  std::vector<Entry> rows_;
  int32_t m_diagramGroupMax = 0;
  uint8_t m_analysisDirty = 0;
};

// The correction marker in force, for the baseline of AddAnalysisRow.
struct AnalysisRowOptions {
  bool correctionOn = false;
  int32_t correctionTime = 0;
  // For the row's regression rates: each chamber's volume and amount.
  RateSettings rates;
  // The blank chamber's run in the row's unit (the station takes it); nothing:
  // no blank correction.
  std::optional<RateSeries> blank;
};

struct AddRowOutcome {
  bool passed = false;               // got past the checks; the working file is to be rewritten
  bool rowAdded = false;             // a row was appended
  bool selectionSlopeReset = false;  // normalisation was switched for the baseline
};

// Adds at most one row from the first analysis results in record, the analysed
// run of chamber 0..2: needs a KphA and a Slope, measures the maxima from the
// chamber's baseline (normOffset, its normalisation offset, or with
// normalisation off the lowest pressure, as if switched on for the call).
// The row's regression rates come from the record's series and options.rates
// and options.blank (see RowRatesOf).
// The caller rewrites the working file when passed, redraws its view and,
// when selectionSlopeReset, sets its selected-range slope to kNoValue.
AddRowOutcome AddAnalysisRow(AnalysisTable& table, const ChamberRecord& record, int chamber,
                             float normOffset, const std::string& name,
                             const AnalysisRowOptions& options);

// Delay1 and Delay2 of a chamber's analysis: seconds from the last sample before
// the first light change to the first and the last sample of the following
// segment's minimum; 0 when that position does not exist.
std::pair<int32_t, int32_t> FirstDelays(const AnalysisBlock& block,
                                        const std::vector<int32_t>& elapsed);

}  // namespace corvala
