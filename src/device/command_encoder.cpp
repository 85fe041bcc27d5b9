#include "device/command_encoder.h"

#include <algorithm>
#include <cmath>

#include "device/device_state.h"

namespace corvala {
namespace {

void Push(CommandBytes& out, int32_t byte, int pauseMs, CommandKind kind = CommandKind::kOther,
          int32_t taken = 0) {
  out.push_back(CommandByte{static_cast<uint8_t>(byte), pauseMs, false, kind, taken});
}

void Mark(CommandBytes& block, CommandKind kind) {
  for (CommandByte& b : block) b.kind = kind;
}

// Puts a value back into an idle mailbox; a newer value that waits there wins.
void Restore(std::atomic<int32_t>& mailbox, int32_t idle, int32_t value) {
  int32_t expected = idle;
  mailbox.compare_exchange_strong(expected, value);
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

int32_t LightCommandOf(int32_t mask) {
  mask &= 7;
  return mask == 0 ? kLightAllOff : kLightIdle + mask;
}

int32_t RunCommandOf(int32_t mask) {
  mask &= 7;
  return mask == 0 ? kRunNone : kRunIdle + mask;
}

void CommandLights(CommandMailboxes& commands, int32_t mask) {
  commands.m_commanded.m_lightMask.store(mask & 7);
  commands.m_lightCommand.store(LightCommandOf(mask));
}

void CommandRuns(CommandMailboxes& commands, int32_t mask) {
  commands.m_commanded.m_runMask.store(mask & 7);
  commands.m_runCommand.store(RunCommandOf(mask));
}

void CommandSetPoint(CommandMailboxes& commands, int32_t setPoint) {
  if (setPoint < 0 || setPoint > kMaxSetPoint) return;
  commands.m_commanded.m_setPoint.store(setPoint);
  commands.m_temperatureCommand.store(setPoint);
}

void RequestCalibration(CommandMailboxes& commands, int32_t mask) {
  mask &= 7;
  if (mask == 0) return;
  int32_t current = commands.m_calibrationCommand.load();
  int32_t next = 0;
  do {
    const int32_t waiting =
        InCommandRange(current, kCalibrationIdle, 7) ? current - kCalibrationIdle : 0;
    next = kCalibrationIdle + (waiting | mask);
  } while (!commands.m_calibrationCommand.compare_exchange_weak(current, next));
}

CommandBytes TakeGreeting(CommandMailboxes& commands) {
  CommandBytes out;
  // The mailboxes first, then the decided state: a decision made in between
  // is either in the state read below or still waits for the next cycle.
  commands.m_lightCommand.exchange(kLightIdle);
  commands.m_runCommand.exchange(kRunIdle);
  // A set point still waiting is the newest decision; it is sent here once.
  int32_t setPoint = commands.m_temperatureCommand.exchange(kTemperatureIdle);
  if (setPoint < 0 || setPoint > kMaxSetPoint) setPoint = commands.m_commanded.m_setPoint.load();
  if (setPoint < 0 || setPoint > kMaxSetPoint) setPoint = kTemperatureIdle;
  Push(out, setPoint + kTemperatureOffset, kCommandPauseMs);
  Push(out, kLightAllOff, kCommandPauseMs);
  Push(out, kRunNone, kCommandPauseMs);
  const auto pair = commands.m_pairCommand.TakeForGreeting();
  CommandBytes block = EncodePair(pair.first, pair.second);
  if (block.empty()) {
    commands.m_pairCommand.Delivered();
  } else {
    Mark(block, CommandKind::kPair);
    block.back().endsPair = true;
    out.insert(out.end(), block.begin(), block.end());
  }
  const int32_t running = commands.m_commanded.m_runMask.load() & 7;
  const int32_t lit = commands.m_commanded.m_lightMask.load() & running;
  if (lit != 0) Push(out, kLightIdle + lit, kCommandPauseMs);
  if (running != 0) Push(out, kRunIdle + running, kCommandPauseMs);
  return out;
}

CommandBytes TakeCommandCycle(CommandMailboxes& commands) {
  CommandBytes out;
  const int32_t service = commands.m_serviceCommand.exchange(kServiceIdle);
  if (InCommandRange(service, kServiceIdle, 6))
    Push(out, service, kCommandPauseMs, CommandKind::kService, service);

  const int32_t beep = commands.m_beepCommand.exchange(kBeepIdle);
  if (beep != kBeepIdle)
    Push(out, beep == 1 ? kSignalOn : kSignalOff, kCommandPauseMs, CommandKind::kSignal, beep);

  const int32_t step = commands.m_manualStep.exchange(kStepIdle);
  if (step != kStepIdle)
    Push(out, step == -1 ? kStepDown : kStepUp, kCommandPauseMs, CommandKind::kStep, step);

  const int32_t setPoint = commands.m_temperatureCommand.exchange(kTemperatureIdle);
  if (setPoint >= 0 && setPoint <= kMaxSetPoint) {
    Push(out, setPoint + kTemperatureOffset, kCommandPauseMs);
  }

  const int32_t calibration = commands.m_calibrationCommand.exchange(kCalibrationIdle);
  if (InCommandRange(calibration, kCalibrationIdle, 7))
    Push(out, calibration, kCommandPauseMs, CommandKind::kCalibration, calibration);

  const int32_t light = commands.m_lightCommand.exchange(kLightIdle);
  if (InCommandRange(light, kLightIdle, 8)) Push(out, light, kCommandPauseMs);

  const int32_t run = commands.m_runCommand.exchange(kRunIdle);
  if (InCommandRange(run, kRunIdle, 8)) Push(out, run, kCommandPauseMs);

  if (commands.m_calibrationChanged.exchange(0) != 0) {
    CommandBytes block = EncodeCalibrationValue(commands.m_calibrationValue.load());
    Mark(block, CommandKind::kCalibrationValue);
    out.insert(out.end(), block.begin(), block.end());
  }

  if (const auto pair = commands.m_pairCommand.Take()) {
    CommandBytes block = EncodePair(pair->first, pair->second);
    if (block.empty()) {
      commands.m_pairCommand.Delivered();  // nothing can go out: nothing to wait for
    } else {
      Mark(block, CommandKind::kPair);
      block.back().endsPair = true;
      out.insert(out.end(), block.begin(), block.end());
    }
  }
  return out;
}

void PutBack(CommandMailboxes& commands, const CommandBytes& bytes, size_t sent) {
  for (size_t i = sent; i < bytes.size(); ++i) {
    const CommandByte& b = bytes[i];
    // A block is put back once, at its first byte that did not go out.
    if (i > sent && bytes[i - 1].kind == b.kind) continue;
    switch (b.kind) {
      case CommandKind::kService:
        Restore(commands.m_serviceCommand, kServiceIdle, b.taken);
        break;
      case CommandKind::kSignal:
        Restore(commands.m_beepCommand, kBeepIdle, b.taken);
        break;
      case CommandKind::kStep:
        Restore(commands.m_manualStep, kStepIdle, b.taken);
        break;
      case CommandKind::kCalibration:
        RequestCalibration(commands, b.taken - kCalibrationIdle);
        break;
      case CommandKind::kCalibrationValue:
        commands.m_calibrationChanged.store(1);
        break;
      case CommandKind::kPair:
        commands.m_pairCommand.Interrupted();
        break;
      case CommandKind::kOther:
        break;
    }
  }
}

}  // namespace corvala
