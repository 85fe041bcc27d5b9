#include <gtest/gtest.h>

#include "run/chamber_record.h"
#include "run/measurement_program.h"

namespace corvala {
namespace {

TEST(ChamberRecordTest, FirstSampleOfARunClearsTheOldSeriesAndTakesTheStartTime) {
  ChamberRecord r;
  AppendSample(r, 1.0f, 20.0f, 1, LocalTime{2020, 1, 2, 3, 4, 5}, 0);
  r.measurementName = "old";
  r.sampleCount = 0;  // a new run was initialised
  AppendSample(r, 7.0f, 21.0f, 0, LocalTime{2024, 5, 6, 7, 8, 9}, 0);
  AppendSample(r, 8.0f, 22.0f, 1, LocalTime{2024, 5, 6, 7, 8, 14}, 5);
  EXPECT_EQ(r.samplePressure, (std::vector<float>{7.0f, 8.0f}));
  EXPECT_EQ(r.sampleLight, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(r.sampleElapsed, (std::vector<int32_t>{0, 5}));
  EXPECT_EQ(r.Samples() * 10 + r.saved, 20);
  EXPECT_EQ(r.measurementName, "");
  EXPECT_EQ(r.startYear * 10000 + r.startMonth * 100 + r.startDay, 20240506);
  EXPECT_EQ(r.startHour * 10000 + r.startMinute * 100 + r.startSecond, 70809);
}

TEST(MeasurementProgramTest, RowsKeepEntryOrderAndDeletingRenumbers) {
  MeasurementProgram program;
  program.AppendProgramStep(0, 10, 0, 1, kStepLightOn);
  program.AppendProgramStep(0, 5, 0, 2, kStepLightOff);
  program.AppendProgramStep(1, 0, 0, 7, kStepEnd);
  EXPECT_FALSE(program.RemoveProgramStep(-1));
  EXPECT_TRUE(program.RemoveProgramStep(1));
  const auto steps = program.Steps();
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].minutes * 10 + steps[0].rowIndex, 99);
  EXPECT_EQ(steps[1].hours * 10 + steps[1].rowIndex, 10);
}

}  // namespace
}  // namespace corvala
