#include "app/control_table.h"

#include <gtest/gtest.h>

#include <set>

namespace corvala {
namespace {

TEST(ControlTable, EveryControlOnceWithAName) {
  std::set<int> ids;
  for (const ControlSpec& control : AllControls()) {
    EXPECT_TRUE(ids.insert(control.id).second) << "duplicate id " << control.id;
    EXPECT_FALSE(AccessibleName(control).empty())
        << "control " << control.id << " has no accessible name";
    EXPECT_LE(control.x + control.width, kDialogWidthDu) << control.id;
    EXPECT_LE(control.y + control.height, kDialogHeightDu) << control.id;
  }
  // 126 of the original layout, the adapter choice, the link status line and
  // the 23 of the rate settings.
  EXPECT_EQ(ids.size(), 152u);
  EXPECT_EQ(AccessibleName(*FindControl(1035)), "Chamber I");
  EXPECT_EQ(AccessibleName(*FindControl(1041)), "Save measurement");
  EXPECT_EQ(AccessibleName(*FindControl(1021)), "Start");
  EXPECT_EQ(FindControl(4711), nullptr);
}

TEST(ControlTable, EachViewShowsItsOwnControlsOnly) {
  // A few controls whose view is easy to get wrong.
  const std::pair<int, View> homes[] = {{1040, View::kMeasurement},   {1039, View::kMeasurement},
                                        {1034, View::kMeasurement},   {1004, View::kConfiguration},
                                        {1023, View::kConfiguration}, {1138, View::kConfiguration},
                                        {1046, View::kAnalysis},      {1047, View::kAnalysis},
                                        {1137, View::kAnalysis},      {1135, View::kAnalysis}};
  const View views[] = {View::kMeasurement, View::kConfiguration, View::kAnalysis};
  for (const auto& [id, home] : homes) {
    for (View view : views) {
      EXPECT_EQ(VisibilityInView(*FindControl(id), view),
                view == home ? Visibility::kShown : Visibility::kHidden)
          << id << " in view " << static_cast<int>(view);
    }
  }
  for (int id : {1012, 1013, 1049, 1072, 1073, 1078, 1079, 1086, 1104})
    for (View view : views)
      EXPECT_EQ(VisibilityInView(*FindControl(id), view), Visibility::kHidden) << id;
  for (int id : {1035, 1036, 1037, 1038, 1053, 1054, 1093})
    for (View view : views)
      EXPECT_EQ(VisibilityInView(*FindControl(id), view), Visibility::kShown) << id;
  // The run state shows the "measuring" labels, not the view.
  EXPECT_EQ(VisibilityInView(*FindControl(1081), View::kMeasurement), Visibility::kUntouched);
  // The analysis-row button shows only once a chamber has a name.
  EXPECT_EQ(VisibilityInView(*FindControl(1112), View::kMeasurement), Visibility::kUntouched);
  EXPECT_EQ(VisibilityInView(*FindControl(1112), View::kAnalysis), Visibility::kHidden);
}

TEST(ControlTable, ChartLayoutFollowsTheClientSize) {
  const ChartArea area = LayoutChart(700, 500);
  EXPECT_EQ(area.left, 100);
  EXPECT_EQ(area.right, 682);
  EXPECT_EQ(area.top, 41);
  EXPECT_EQ(area.bottom, 276);
  const ChartArea narrow = LayoutChart(139, 11);
  EXPECT_EQ(narrow.left, 19);
  EXPECT_EQ(narrow.right, 117);  // (139 / 20) * 19.5 = 6 * 19.5 = 117
  EXPECT_EQ(narrow.top, 0);
  EXPECT_EQ(narrow.bottom, 39);
}

}  // namespace
}  // namespace corvala
