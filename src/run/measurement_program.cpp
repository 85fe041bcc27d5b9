#include "run/measurement_program.h"

#include <algorithm>
#include <limits>

#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {

bool ValidateProgramStep(const ProgramStepInput& input, ValidStep& step) {
  const int32_t hours = ParseInt(input.hoursText);
  const int32_t minutes = ParseInt(input.minutesText);
  const int32_t seconds = ParseInt(input.secondsText);
  const int mask = (input.chamberSelected[0] ? 1 : 0) + (input.chamberSelected[1] ? 2 : 0) +
                   (input.chamberSelected[2] ? 4 : 0);
  // Hours beyond what the elapsed-time arithmetic can hold would wrap; refuse them too.
  const bool valid = hours >= 0 && hours <= 596'000 && minutes >= 0 && minutes <= 59 &&
                     seconds >= 0 && seconds <= 59 && mask != 0;
  if (!valid) return false;
  int lightArgument = input.light ? kStepLightOn : kStepLightOff;
  if (input.stop) lightArgument = kStepEnd;
  step = ValidStep{hours, minutes, seconds, mask, lightArgument};
  return true;
}

std::array<std::string, 4> ProgramRowTexts(const ProgramStep& step) {
  std::array<std::string, 4> texts;
  // A hand-edited settings file may hold hours beyond what the text can show.
  texts[0] = FormatHms(static_cast<int32_t>(
      std::clamp<int64_t>(step.OffsetSeconds(), std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max())));
  for (int c = 0; c < 3; ++c) {
    if (!step.chamber[c]) continue;
    texts[c + 1] = step.end ? "---" : (step.light ? "on" : "off");
  }
  return texts;
}

ProgramStep MakeProgramStep(int32_t hours, int32_t minutes, int32_t seconds, int chamberMask,
                            int lightArgument) {
  ProgramStep step;
  step.hours = hours;
  step.minutes = minutes;
  step.seconds = seconds;
  for (int c = 0; c < 3; ++c) step.chamber[c] = (chamberMask & (1 << c)) ? 1 : 0;
  step.light = lightArgument == kStepLightOn ? 1 : 0;
  step.end = lightArgument == kStepEnd ? 1 : 0;
  return step;
}

bool MeasurementProgram::AppendProgramStep(int32_t hours, int32_t minutes, int32_t seconds,
                                           int chamberMask, int lightArgument) {
  const ProgramStep step = MakeProgramStep(hours, minutes, seconds, chamberMask, lightArgument);
  std::lock_guard lock(mutex_);
  steps_.push_back(step);
  return true;
}

void MeasurementProgram::AppendProgramSteps(const std::vector<ProgramStep>& steps) {
  std::lock_guard lock(mutex_);
  steps_.insert(steps_.end(), steps.begin(), steps.end());
}

bool MeasurementProgram::RemoveProgramStep(int r) {
  if (r < 0) return false;
  std::lock_guard lock(mutex_);
  if (static_cast<size_t>(r) < steps_.size()) steps_.erase(steps_.begin() + r);
  return true;
}

void MeasurementProgram::FreeProgram() {
  std::lock_guard lock(mutex_);
  steps_.clear();
}

int MeasurementProgram::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(steps_.size());
}

std::vector<ProgramStep> MeasurementProgram::Steps() const {
  std::lock_guard lock(mutex_);
  return steps_;
}

}  // namespace corvala
