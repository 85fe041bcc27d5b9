#include "devsim/device_model.h"

#include <algorithm>
#include <cmath>

#include "util/c_format.h"

namespace corvala::devsim {
namespace {

// How fast the device temperature follows the set point (time constant, s).
constexpr double kTemperatureLag = 300.0;
// Demonstration mode switches all lights every ten simulated minutes.
constexpr double kDemoHalfCycle = 600.0;
constexpr double kMaxStep = 1.0;

std::string MaskText(const char* what, int mask) {
  return mask == 0 ? Format("%s none", what) : Format("%s mask=%d", what, mask);
}

}  // namespace

DeviceModel::DeviceModel(uint32_t seed, int channels) : random_(seed) {
  status_.channels = std::clamp(channels, 1, 3);
  std::uniform_real_distribution<double> start(240.0, 270.0), respiration(1.5, 3.0),
      photosynthesis(6.0, 10.0), delay(60.0, 120.0), plateau(300.0, 340.0);
  for (int c = 0; c < 3; ++c) {
    ChamberModel& m = chambers_[c];
    m.pressure = start(random_);
    m.respirationRate = respiration(random_) / 60.0;
    m.photosynthesisRate = photosynthesis(random_) / 60.0;
    m.lightDelay = delay(random_);
    m.plateau = plateau(random_);
    status_.pressureMbar[c] = m.pressure;
  }
}

void DeviceModel::ResetDecoder() {
  block_ = Block::kNone;
  chunksLeft_ = -1;
}

void DeviceModel::PowerCycle() {
  ResetDecoder();
  status_.unit = 1;
  status_.pairFirst = status_.pairSecond = 1;
  status_.runMask = 0;
  SetLights(0);
}

std::optional<std::string> DeviceModel::Receive(uint8_t byte) {
  return block_ == Block::kNone ? Command(byte) : BlockByte(byte);
}

std::optional<std::string> DeviceModel::Command(uint8_t byte) {
  if (byte == 9) return "temperature none";
  if (byte >= 10 && byte <= 58) {
    status_.setPoint = byte - 10;
    return Format("temperature set=%d", status_.setPoint);
  }
  if (byte >= 60 && byte <= 66) {
    const int mask = byte - 59;
    for (int c = 0; c < 3; ++c) {
      // Calibration sets the chamber to the calibration reference.
      if (mask & (1 << c)) {
        chambers_[c].pressure =
            std::clamp(double(status_.calibrationValue), kFloorMbar, kCeilingMbar);
        status_.pressureMbar[c] = chambers_[c].pressure;
      }
    }
    return Format("calibration mask=%d", mask);
  }
  if (byte >= 70 && byte <= 77) {
    const int mask = byte == 77 ? 0 : byte - 69;
    SetLights(mask);
    return MaskText("light", mask);
  }
  if (byte >= 80 && byte <= 87) {
    status_.runMask = byte == 87 ? 0 : byte - 79;
    return MaskText("run", status_.runMask);
  }
  switch (byte) {
    case 78:
    case 100:
      block_ = byte == 78 ? Block::kPair : Block::kCalibration;
      blockValue_ = 0;
      chunksLeft_ = -1;
      sum_ = 0;
      return std::nullopt;
    case 90:
    case 91:
      status_.demo = byte == 90;
      demoPhase_ = -1;
      return Format("service %d demo=%s", byte, status_.demo ? "on" : "off");
    case 92:
    case 93:
    case 94:
    case 95:
      status_.channels = byte == 95 ? 1 : byte - 91;
      return Format("service %d channels=%d", byte, status_.channels);
    case 96:
    case 97:
      status_.setPoint = std::clamp(status_.setPoint + (byte == 96 ? -1 : 1), 0, 48);
      return Format("step %s set=%d", byte == 96 ? "down" : "up", status_.setPoint);
    case 98:
    case 99:
      status_.signal = byte == 99;
      return Format("signal %s", status_.signal ? "on" : "off");
    default:
      return Format("unknown byte=%d", byte);
  }
}

std::optional<std::string> DeviceModel::BlockByte(uint8_t byte) {
  const int value = int(byte) - 20;
  if (chunksLeft_ < 0) {
    chunksLeft_ = std::max(value, 0);
    sum_ = 0;
  } else {
    sum_ += value;
    --chunksLeft_;
  }
  if (chunksLeft_ > 0) return std::nullopt;

  // One value complete.
  if (block_ == Block::kCalibration) {
    block_ = Block::kNone;
    status_.calibrationValue = sum_;
    return Format("calibration value=%d", sum_);
  }
  if (blockValue_ == 0) {
    firstValue_ = sum_;
    blockValue_ = 1;
    chunksLeft_ = -1;
    return std::nullopt;
  }
  block_ = Block::kNone;
  status_.pairFirst = firstValue_;
  status_.pairSecond = sum_;
  // (1, 1) means mbar; any other pair with a usable divisor means mg/l.
  const bool mbar = firstValue_ == 1 && sum_ == 1;
  if (mbar) {
    status_.unit = 1;
  } else if (sum_ > 0) {
    status_.unit = 2;
  }
  return Format("pair %d %d", firstValue_, sum_);
}

void DeviceModel::SetLights(int mask) {
  status_.lightMask = mask;
  for (int c = 0; c < 3; ++c) {
    const bool on = (mask & (1 << c)) != 0;
    if (on != chambers_[c].lightOn) {
      chambers_[c].lightOn = on;
      chambers_[c].lightChangedAt = status_.simulatedSeconds;
    }
  }
}

void DeviceModel::Advance(double seconds) {
  if (!(seconds > 0.0)) return;
  seconds = std::min(seconds, 30.0 * 86400.0);
  while (seconds > 0.0) {
    const double dt = std::min(seconds, kMaxStep);
    Step(dt);
    seconds -= dt;
  }
}

void DeviceModel::Step(double dt) {
  status_.simulatedSeconds += dt;
  const double now = status_.simulatedSeconds;
  if (status_.demo) {
    const int phase = int(std::fmod(now / kDemoHalfCycle, 2.0));
    if (phase != demoPhase_) {
      demoPhase_ = phase;
      SetLights(phase == 1 ? 7 : 0);
    }
  }
  status_.temperature +=
      (status_.setPoint - status_.temperature) * (1.0 - std::exp(-dt / kTemperatureLag));
  for (int c = 0; c < 3; ++c) {
    ChamberModel& m = chambers_[c];
    const bool rising = m.lightOn && now - m.lightChangedAt >= m.lightDelay;
    if (rising) {
      // Photosynthesis slows down as the plateau comes near.
      const double room = std::max(0.0, (m.plateau - m.pressure) / (m.plateau - kFloorMbar));
      m.pressure += m.photosynthesisRate * room * dt;
    } else {
      // Respiration fades out just above the floor.
      const double room = std::clamp((m.pressure - kFloorMbar) / 20.0, 0.0, 1.0);
      m.pressure -= m.respirationRate * room * dt;
    }
    m.pressure = std::clamp(m.pressure, kFloorMbar, kCeilingMbar);
    status_.pressureMbar[c] = m.pressure;
  }
}

double DeviceModel::Reading(int chamber) {
  std::normal_distribution<double> noise(0.0, 0.05);
  double value = chambers_[chamber].pressure + noise(random_);
  if (status_.unit == 2 && status_.pairSecond > 0) {
    // mg/l = mbar / factor1 x factor2, the factors carried as hundredths.
    value = value * status_.pairFirst / status_.pairSecond;
  }
  return value;
}

std::string DeviceModel::Frame() {
  const int c = status_.channels;
  std::normal_distribution<double> noise(0.0, 0.02);
  std::string frame = "anfang\r\n";
  frame += Format("%d\r\n", c);
  frame += Format("%.1f\r\n", status_.temperature + noise(random_));
  for (int k = 0; k < 3; ++k) frame += Format("%.2f\r\n", k < c ? Reading(k) : 0.0);
  static constexpr double kOffset[3] = {0.1, -0.1, 0.2};
  for (int k = 0; k < 3; ++k) {
    frame += Format("%.1f\r\n", k < c ? status_.temperature + kOffset[k] + noise(random_) : 0.0);
  }
  frame += Format("%d\r\n", status_.unit);
  frame += "ende\r\n";
  return frame;
}

}  // namespace corvala::devsim
