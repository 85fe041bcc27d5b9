#include "device/command_encoder.h"

#include <algorithm>
#include <cmath>

#include "run/station.h"

namespace corvala {
namespace {

void Push(CommandBytes& out, int32_t byte, int pauseMs) {
  out.push_back(CommandByte{static_cast<uint8_t>(byte), pauseMs});
}

// A masked command (calibration, light, run) is sent when its value lies in
// idle + 1 .. idle + last; anything else in the mailbox is not a valid command.
bool InCommandRange(int32_t value, int32_t idle, int32_t last) {
  return value > idle && value <= idle + last;
}

void AppendPairValue(CommandBytes& out, int32_t value) {
  // Number of chunks: the quotient rounded up.
  const double quotient = static_cast<double>(value) / 180.0;
  int32_t count = static_cast<int32_t>(quotient);
  if (count < quotient) ++count;
  Push(out, count + 20, kCommandPauseMs);
  int32_t rest = value;
  for (int32_t i = 0; i < count; ++i) {
    if (rest < 180) {
      Push(out, rest + 20, kCommandPauseMs);
      rest = 0;
    } else {
      Push(out, 200, kCommandPauseMs);
      rest -= 180;
    }
  }
}

int32_t ChamberMask(const std::array<std::atomic<uint8_t>, 3>& flags) {
  int32_t mask = 0;
  for (int c = 0; c < 3; ++c) {
    if (flags[c].load() != 0) mask |= 1 << c;
  }
  return mask;
}

}  // namespace

CommandBytes EncodeCalibrationValue(int32_t value) {
  CommandBytes out;
  if (value < 0 || value > kMaxCalibrationValue) return out;
  const int32_t count = value / 100 + 1;
  out.reserve(static_cast<size_t>(count) + 2);
  Push(out, kCalibrationFollows, kCalibrationBlockPauseMs);
  Push(out, count + 20, kCalibrationBlockPauseMs);
  int32_t rest = value;
  for (int32_t i = 0; i < count; ++i) {
    Push(out, std::min(rest, 100) + 20, kCalibrationBlockPauseMs);
    rest -= 100;
  }
  return out;
}

CommandBytes EncodePair(int32_t first, int32_t second) {
  CommandBytes out;
  if (first < 0 || first > kMaxPairValue || second < 0 || second > kMaxPairValue) return out;
  Push(out, kPairFollows, kCommandPauseMs);
  AppendPairValue(out, first);
  AppendPairValue(out, second);
  return out;
}

CommandBytes TakeGreeting(Station& station) {
  CommandBytes out;
  int32_t setPoint = station.m_temperatureCommand.exchange(kTemperatureIdle);
  if (setPoint < kTemperatureIdle || setPoint > kMaxSetPoint) setPoint = kTemperatureIdle;
  Push(out, setPoint + kTemperatureOffset, kCommandPauseMs);
  Push(out, kLightAllOff, kCommandPauseMs);
  Push(out, kRunNone, kCommandPauseMs);
  const int32_t lit = ChamberMask(station.m_lightOn);
  if (lit != 0) Push(out, kLightIdle + lit, kCommandPauseMs);
  const int32_t running = ChamberMask(station.m_running);
  if (running != 0) Push(out, kRunIdle + running, kCommandPauseMs);
  return out;
}

CommandBytes TakeCommandCycle(Station& station) {
  CommandBytes out;
  const int32_t service = station.m_serviceCommand.exchange(kServiceIdle);
  if (InCommandRange(service, kServiceIdle, 6)) Push(out, service, kCommandPauseMs);

  const int32_t beep = station.m_beepCommand.exchange(kBeepIdle);
  if (beep != kBeepIdle) Push(out, beep == 1 ? kSignalOn : kSignalOff, kCommandPauseMs);

  const int32_t step = station.m_manualStep.exchange(kStepIdle);
  if (step != kStepIdle) Push(out, step == -1 ? kStepDown : kStepUp, kCommandPauseMs);

  const int32_t setPoint = station.m_temperatureCommand.exchange(kTemperatureIdle);
  if (setPoint >= 0 && setPoint <= kMaxSetPoint) {
    Push(out, setPoint + kTemperatureOffset, kCommandPauseMs);
  }

  const int32_t calibration = station.m_calibrationCommand.exchange(kCalibrationIdle);
  if (InCommandRange(calibration, kCalibrationIdle, 7)) Push(out, calibration, kCommandPauseMs);

  const int32_t light = station.m_lightCommand.exchange(kLightIdle);
  if (InCommandRange(light, kLightIdle, 8)) Push(out, light, kCommandPauseMs);

  const int32_t run = station.m_runCommand.exchange(kRunIdle);
  if (InCommandRange(run, kRunIdle, 8)) Push(out, run, kCommandPauseMs);

  if (station.m_calibrationChanged.exchange(0) != 0) {
    const CommandBytes block = EncodeCalibrationValue(station.m_calibrationValue.load());
    out.insert(out.end(), block.begin(), block.end());
  }

  if (const auto pair = station.m_pairCommand.Take()) {
    const CommandBytes block = EncodePair(pair->first, pair->second);
    out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}

}  // namespace corvala
