#include "chart/value_list.h"

#include <gtest/gtest.h>

#include "util/units.h"

namespace corvala {
namespace {

TEST(ValueList, RowsShowElapsedTimePressureAndLight) {
  EXPECT_EQ(ValueListTexts(0, 13.25f, kUnitMbar, true), (ValueListRow{"00:00:00", "13.2", "on"}));
  EXPECT_EQ(ValueListTexts(3725, 0.5f, kUnitMbar, false),
            (ValueListRow{"01:02:05", " 0.5", "off"}));
  EXPECT_EQ(ValueListTexts(5, 1013.25f, kUnitMgl, false),
            (ValueListRow{"00:00:05", "1013.25", "off"}));
}

}  // namespace
}  // namespace corvala
