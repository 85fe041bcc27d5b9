// A run's elapsed time is the real time since its first sample, on the
// clock's monotonic side: outages and blocked passes leave their gap, program
// steps fire at the real time, a wall-clock jump moves only the time of day.

#include <gtest/gtest.h>

#include "run_test_support.h"

namespace corvala {
namespace {

class ElapsedTime : public SamplingTest {
 protected:
  // Passes without readings: the device is unplugged or its frames stall.
  void Silent(int seconds) {
    for (int k = 0; k < seconds; ++k) {
      clock.Advance(1);
      scheduler.RunPass();
    }
  }
  // The light of the sample at elapsed t.
  int LightAt(int c, int32_t t) {
    const ChamberRecord r = Record(c);
    for (int32_t k = 0; k < r.Samples(); ++k)
      if (r.series.Elapsed()[k] == t) return r.series.Light()[k];
    return -1;
  }
};

TEST_F(ElapsedTime, OutagesAndPairBlocksLeaveTheirGapAndStepsFireAtTheRealTime) {
  station.m_settings.m_sampleInterval = 1;
  station.m_program.AppendProgramStep(0, 0, 10, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 40, 1, kStepEnd);
  StartRuns(station, {true, false, false});
  Pass(0);                                           // initialise
  for (int k = 0; k < 8; ++k) Pass(k == 0 ? 0 : 1);  // 0 .. 7
  Silent(6);                                         // unplugged
  Pass(1);
  Pass(1);
  EXPECT_EQ(Record(0).series.Elapsed(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 14, 15}));
  EXPECT_EQ(LightAt(0, 14), 0);
  EXPECT_EQ(LightAt(0, 15), 1);  // the step at 10 s, in the pass after the sample at 14 s
  station.m_link.commands.m_lightCommand = kLightIdle;  // taken by the link

  // A factor pair that keeps the link busy for 14 s.
  station.m_link.commands.m_pairCommand.Set(823, 21000);
  for (int k = 0; k < 14; ++k) Pass(1);
  station.m_link.commands.m_pairCommand.Take();
  station.m_link.commands.m_pairCommand.Delivered();
  Pass(0);
  EXPECT_EQ(Record(0).series.Elapsed().back(), 29);

  // A frame stall of 10 s, then the end step comes due at once.
  Silent(10);
  Pass(1);
  EXPECT_EQ(Record(0).series.Elapsed().back(), 40);
  EXPECT_EQ(station.m_run[0].m_running, 1);
  Pass(0);
  EXPECT_EQ(station.m_run[0].m_running, 0);
}

TEST_F(ElapsedTime, AWallClockJumpMovesOnlyTheTimeOfDay) {
  StartRuns(station, {false, true, false});
  for (int late : {0, 0, 5}) Pass(late);  // 22:13:20 and :25
  clock.Set(clock.Now() - 3600);          // the wall clock is put back an hour
  Pass(4);
  Pass(1);
  clock.Set(clock.Now() + 7200);  // and two hours on
  Pass(0);                        // not due: no time has passed
  Pass(5);
  const ChamberRecord r = Record(1);
  EXPECT_EQ(r.series.Elapsed(), (std::vector<int32_t>{0, 5, 10, 15}));
  EXPECT_EQ(r.series.Hour(), (std::vector<int32_t>{22, 22, 21, 23}));
  EXPECT_EQ(r.series.Minute(), (std::vector<int32_t>{13, 13, 13, 13}));
  EXPECT_EQ(r.series.Second(), (std::vector<int32_t>{20, 25, 30, 35}));
  EXPECT_EQ(r.startHour, 22);  // the run's start stays the wall-clock time of its first sample
}

}  // namespace
}  // namespace corvala
