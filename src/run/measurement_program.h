#pragma once
// The measurement program: timed steps that switch chamber lights or end a
// chamber's run, kept in entry order. The window thread edits the list while the
// sampling thread walks it, so every access holds the program's mutex.

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace corvala {

struct ProgramStep {
  int32_t hours = 0;
  int32_t minutes = 0;
  int32_t seconds = 0;
  uint8_t chamber[3] = {0, 0, 0};
  uint8_t light = 0;  // 1: switch the light on; 0: off (also for an end step)
  uint8_t end = 0;    // 1: the step ends the measurement of its chambers
  uint8_t done[3] = {0, 0, 0};

  // Seconds from the run's start, computed wide so that no hours value can wrap.
  int64_t OffsetSeconds() const {
    return int64_t{hours} * 3600 + int64_t{minutes} * 60 + int64_t{seconds};
  }
};

// Light argument of AppendProgramStep.
inline constexpr int kStepLightOn = 1;
inline constexpr int kStepLightOff = 0;
inline constexpr int kStepEnd = -1;

// What the editor's controls hold when "insert" is pressed.
struct ProgramStepInput {
  std::string hoursText, minutesText, secondsText;
  bool light = false;
  bool stop = false;
  std::array<uint8_t, 3> chamberSelected{0, 0, 0};
};

// A validated step ready for AppendProgramStep, or nothing when the input is refused
// (negative hours, minutes or seconds outside 0..59, no chamber selected).
struct ValidStep {
  int32_t hours, minutes, seconds;
  int chamberMask;
  int lightArgument;
};
bool ValidateProgramStep(const ProgramStepInput& input, ValidStep& step);

// The step AppendProgramStep adds for these arguments.
ProgramStep MakeProgramStep(int32_t hours, int32_t minutes, int32_t seconds, int chamberMask,
                            int lightArgument);

// The texts of a program list row: the time and the three chamber columns
// ("on", "off", "---" or empty).
std::array<std::string, 4> ProgramRowTexts(const ProgramStep& step);

class MeasurementProgram {
 public:
  MeasurementProgram() = default;
  MeasurementProgram(const MeasurementProgram&) = delete;
  MeasurementProgram& operator=(const MeasurementProgram&) = delete;

  // Appends a step at the tail; chamberMask sums 1, 2, 4 for chambers I, II, III.
  // Returns true.
  bool AppendProgramStep(int32_t hours, int32_t minutes, int32_t seconds, int chamberMask,
                         int lightArgument);
  // Appends steps at the tail in their order, under one lock.
  void AppendProgramSteps(const std::vector<ProgramStep>& steps);
  // Removes the step of list row r; later rows move up. False for r < 0.
  bool RemoveProgramStep(int r);
  // Removes every step.
  void FreeProgram();

  int RowCount() const;
  // Copies of the steps in list order.
  std::vector<ProgramStep> Steps() const;

  // Calls f(ProgramStep&) for every step in list order while holding the lock.
  template <class F>
  void Walk(F&& f) {
    std::lock_guard lock(mutex_);
    for (ProgramStep& step : steps_) f(step);
  }

 private:
  mutable std::mutex mutex_;
  std::vector<ProgramStep> steps_;
};

}  // namespace corvala
