#include "chart/value_list.h"

#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {

ValueListRow ValueListTexts(int32_t elapsed, float pressure, int32_t unit, bool lightOn) {
  const double p = pressure;
  return {FormatHms(elapsed), unit == 2 ? Format("%4.2f", p) : Format("%4.1f", p),
          lightOn ? "on" : "off"};
}

std::vector<ValueListRow> ValueListRows(const ChamberRecord& record, float normOffset,
                                        int32_t unit) {
  std::vector<ValueListRow> rows;
  const int32_t count = record.Samples();
  rows.reserve(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k)
    rows.push_back(ValueListTexts(record.series.Elapsed()[k],
                                  record.series.Pressure()[k] - normOffset, unit,
                                  record.series.Light()[k] == 1));
  return rows;
}

}  // namespace corvala
