#pragma once
// The analysis file ("auswertung.tmp" and the user's ".cva" files): the row
// count, the unit, then twelve lines per row, each line ended by CR LF. When
// any row has regression rates, a block follows that a reader of the rows
// alone never reaches: "[Rates] n", then per row the rise's and the fall's
// slope, standard error, R², corrected slope, µmol/h and µmol/h per amount
// ("%.17g", an empty line for no figure) and the amount unit.

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/analysis_table.h"
#include "util/result.h"

namespace corvala {

// The file's text. Line breaks inside a text value become spaces and a text is
// cut to fit a line of 254 characters, so the file reads back row for row.
std::string FormatAnalysisFile(const AnalysisTable& table, int32_t unit);
// Writes the file whole.
Result WriteAnalysisFile(const AnalysisTable& table, const std::string& path, int32_t unit);

// Replaces the table with the rows of the text (list texts in the file's unit),
// marks it saved and recomputes its highest diagram group. A row cut short by
// the end of the text is dropped. The rates are taken only from a whole block
// made for all the rows read; otherwise every row has empty rates. Returns
// the file's unit line.
int32_t ParseAnalysisFile(std::string_view text, AnalysisTable& table);
// Reads the file into the table; the table is unchanged when it cannot be opened.
Result ReadAnalysisFile(AnalysisTable& table, const std::string& path);

}  // namespace corvala
