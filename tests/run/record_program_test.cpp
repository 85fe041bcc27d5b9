#include <gtest/gtest.h>

#include <thread>

#include "run/chamber_record.h"
#include "run/measurement_program.h"

namespace corvala {
namespace {

TEST(ChamberRecordTest, FirstSampleOfARunClearsOldSeriesAndTakesStartTime) {
  ChamberRecord r;
  AppendSample(r, 1.0f, 20.0f, 1, LocalTime{2020, 1, 2, 3, 4, 5}, 0);
  r.measurementName = "old";
  r.saved = 1;
  r.sampleCount = 0;  // a new run was initialised
  AppendSample(r, 7.0f, 21.0f, 0, LocalTime{2024, 5, 6, 7, 8, 9}, 0);
  AppendSample(r, 8.0f, 22.0f, 1, LocalTime{2024, 5, 6, 7, 8, 14}, 5);
  EXPECT_EQ(r.sampleCount, 2);
  EXPECT_EQ(r.samplePressure, (std::vector<float>{7.0f, 8.0f}));
  EXPECT_EQ(r.sampleTemperature, (std::vector<float>{21.0f, 22.0f}));
  EXPECT_EQ(r.sampleLight, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(r.sampleSecond, (std::vector<int32_t>{9, 14}));
  EXPECT_EQ(r.sampleElapsed, (std::vector<int32_t>{0, 5}));
  EXPECT_EQ(r.measurementName, "");
  EXPECT_EQ(r.saved, 0);
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
  EXPECT_EQ(steps[0].minutes, 10);
  EXPECT_EQ(steps[0].rowIndex, -1);
  EXPECT_EQ(steps[1].hours, 1);
  EXPECT_EQ(steps[1].rowIndex, 0);
  EXPECT_EQ(steps[1].end, 1);
  EXPECT_EQ(program.RowCount(), 2);
}

TEST(MeasurementProgramTest, ConcurrentWalkNeverSeesAFreedStep) {
  MeasurementProgram program;
  std::jthread editor([&](std::stop_token stop) {
    for (int k = 0; !stop.stop_requested(); ++k) {
      program.AppendProgramStep(0, 0, k % 60, 1, kStepLightOn);
      if (program.RowCount() > 4) program.RemoveProgramStep(k % 5);
    }
  });
  int64_t total = 0;
  for (int pass = 0; pass < 2000; ++pass) {
    program.Walk([&](ProgramStep& s) {
      total += s.OffsetSeconds();
      s.done[0] = 1;
    });
  }
  editor.request_stop();
  editor.join();
  EXPECT_GE(total, 0);
  EXPECT_LE(program.RowCount(), 5);
}

}  // namespace
}  // namespace corvala
