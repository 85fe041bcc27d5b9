#pragma once
// Whether rows carry regression rates: the workbook and the printed report add
// their rate sheet and pages only then, so a table without rates is exported
// and printed as it always was.

#include "analysis/analysis_table.h"

namespace corvala {

inline bool HasRateFigures(const RowRate& rate) {
  return rate.slope || rate.standardError || rate.r2 || rate.correctedSlope ||
         rate.micromolPerHour || rate.micromolPerHourPerAmount;
}

inline bool HasRateFigures(const RowRates& rates) {
  return HasRateFigures(rates.rise) || HasRateFigures(rates.fall);
}

inline bool AnyRowHasRates(const AnalysisTable& table) {
  for (size_t i = 0; i < table.RowCount(); ++i)
    if (HasRateFigures(table.Row(i).rates)) return true;
  return false;
}

}  // namespace corvala
