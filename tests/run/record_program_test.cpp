#include <gtest/gtest.h>

#include "run/chamber_record.h"
#include "run/measurement_program.h"

namespace corvala {
namespace {

TEST(ChamberRecordTest, FirstSampleOfARunClearsTheOldSeriesAndTakesTheStartTime) {
  ChamberRecord r;
  AppendSample(r, 1.0f, 20.0f, 1, LocalTime{2020, 1, 2, 3, 4, 5}, 0);
  r.measurementName = "old";
  r.saved = 1;
  r.analysis.m_minPos = {0, 0};
  r.pendingRun = PendingRun{2, 5, 30, {60}, {1}};  // a new run was initialised
  EXPECT_EQ(r.Samples(), 1);                       // the previous run until then
  EXPECT_EQ(r.SamplesOfNewRun(), 0);
  AppendSample(r, 7.0f, 21.0f, 0, LocalTime{2024, 5, 6, 7, 8, 9}, 0);
  AppendSample(r, 8.0f, 22.0f, 1, LocalTime{2024, 5, 6, 7, 8, 14}, 5);
  EXPECT_EQ(r.series.Pressure(), (std::vector<float>{7.0f, 8.0f}));
  EXPECT_EQ(r.series.Temperature(), (std::vector<float>{21.0f, 22.0f}));
  EXPECT_EQ(r.series.Light(), (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(r.series.Elapsed(), (std::vector<int32_t>{0, 5}));
  EXPECT_EQ(r.series.Second(), (std::vector<int32_t>{9, 14}));
  EXPECT_EQ(r.Samples(), 2);
  EXPECT_FALSE(r.pendingRun.has_value());
  EXPECT_EQ(r.runUnit, 2);
  EXPECT_EQ(r.runTemperature, 30);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{60}));
  EXPECT_TRUE(r.analysis.m_minPos.empty());
  EXPECT_EQ(r.hasRun, 1);
  EXPECT_EQ(r.saved, 0);
  EXPECT_EQ(r.measurementName, "");
  EXPECT_EQ(r.startYear, 2024);
  EXPECT_EQ(r.startMonth, 5);
  EXPECT_EQ(r.startDay, 6);
  EXPECT_EQ(r.startHour, 7);
  EXPECT_EQ(r.startMinute, 8);
  EXPECT_EQ(r.startSecond, 9);
}

TEST(MeasurementProgramTest, RowsKeepEntryOrderAndLaterRowsMoveUp) {
  MeasurementProgram program;
  program.AppendProgramStep(0, 10, 0, 1, kStepLightOn);
  program.AppendProgramStep(0, 5, 0, 2, kStepLightOff);
  program.AppendProgramStep(1, 0, 0, 7, kStepEnd);
  EXPECT_FALSE(program.RemoveProgramStep(-1));
  EXPECT_TRUE(program.RemoveProgramStep(1));
  EXPECT_TRUE(program.RemoveProgramStep(5));  // no such row: nothing goes
  const auto steps = program.Steps();
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(program.RowCount(), 2);
  EXPECT_EQ(steps[0].minutes, 10);
  EXPECT_EQ(steps[0].light, 1);
  EXPECT_EQ(steps[1].hours, 1);
  EXPECT_EQ(steps[1].end, 1);
  EXPECT_EQ(steps[1].light, 0);
  EXPECT_EQ(steps[1].OffsetSeconds(), 3600);
  program.FreeProgram();
  EXPECT_EQ(program.RowCount(), 0);
}

}  // namespace
}  // namespace corvala
