// An analysis file (the working file or a ".cva") as the table reads it.

#include <algorithm>

#include "files/analysis_file.h"
#include "fuzz_check.h"

namespace corvala::fuzz {

void FuzzAnalysisFile(const uint8_t* data, size_t size) {
  constexpr const char* kTarget = "analysis_file";
  const std::string_view text = AsText(data, size);
  AnalysisTable table;
  const int32_t unit = ParseAnalysisFile(text, table);
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  Check(table.RowCount() * 12 + 2 <= lines + 12, kTarget, "more rows than lines");
  Check(!table.Dirty(), kTarget, "a read table counts as changed");
  int32_t highest = 0;
  for (size_t i = 0; i < table.RowCount(); ++i) {
    Check(table.Row(i).diagramGroup >= 0, kTarget, "negative diagram group");
    highest = std::max(highest, table.Row(i).diagramGroup);
  }
  Check(table.DiagramGroupMax() == highest, kTarget, "highest diagram group");

  // The table written and read again gives the same file.
  const std::string written = FormatAnalysisFile(table, unit);
  AnalysisTable again;
  Check(ParseAnalysisFile(written, again) == unit, kTarget, "unit does not read back");
  Check(again.RowCount() == table.RowCount(), kTarget, "rows do not read back");
  Check(FormatAnalysisFile(again, unit) == written, kTarget,
        "a written file does not read back equal");
}

}  // namespace corvala::fuzz
