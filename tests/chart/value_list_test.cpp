#include "chart/value_list.h"

#include <gtest/gtest.h>

#include "util/units.h"

namespace corvala {
namespace {

TEST(ValueList, RowsShowElapsedTimePressureMinusTheOffsetAndLight) {
  ChamberRecord r;
  AppendSample(r, 1013.25f, 25.0f, 1, LocalTime{}, 0);
  AppendSample(r, 1000.5f, 25.0f, 0, LocalTime{}, 3725);
  const std::vector<ValueListRow> rows = ValueListRows(r, 1000.0f, kUnitMbar);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (ValueListRow{"00:00:00", "13.2", "on"}));
  EXPECT_EQ(rows[1], (ValueListRow{"01:02:05", " 0.5", "off"}));
  EXPECT_EQ(ValueListTexts(5, 1013.25f, kUnitMgl, false),
            (ValueListRow{"00:00:05", "1013.25", "off"}));
}

}  // namespace
}  // namespace corvala
