#pragma once
// The simulated three-chamber device: decodes the command bytes it receives,
// keeps its settings, models each chamber's pressure curve over simulated time
// and writes its frames.

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace corvala::devsim {

// Lower and upper bound of a chamber's pressure, mbar.
inline constexpr double kFloorMbar = 150.0;
inline constexpr double kCeilingMbar = 350.0;

struct ChamberModel {
  double pressure = 250.0;  // mbar
  bool lightOn = false;
  double lightChangedAt = 0.0;      // simulated seconds
  double respirationRate = 0.0;     // mbar per second, falling
  double photosynthesisRate = 0.0;  // mbar per second, rising (far from the plateau)
  double lightDelay = 90.0;         // seconds the fall goes on after the light comes on
  double plateau = 320.0;           // mbar the rise approaches
};

// What a test or the log wants to know about the device.
struct DeviceStatus {
  int channels = 3;
  int unit = 1;  // 1 mbar, 2 mg/l
  int pairFirst = 1, pairSecond = 1;
  int setPoint = 25;
  double temperature = 22.0;
  int lightMask = 0;
  int runMask = 0;
  int calibrationValue = 210;
  bool demo = false;
  bool signal = false;
  std::array<double, 3> pressureMbar{};
  double simulatedSeconds = 0.0;
};

class DeviceModel {
 public:
  explicit DeviceModel(uint32_t seed, int channels = 3);

  // Takes one received byte; returns the log line of a command it completes.
  std::optional<std::string> Receive(uint8_t byte);
  // Forgets a half-received block (the link went away in the middle of one).
  void ResetDecoder();
  // Switched off and on: back in mbar with no factor pair, lights off, no
  // chamber running, no block half received. The chambers' air is as it was.
  void PowerCycle();

  // Lets simulated time pass.
  void Advance(double seconds);

  // One frame: "anfang", the nine fields and "ende", each line ending CR LF.
  std::string Frame();

  const DeviceStatus& Status() const { return status_; }

 private:
  enum class Block { kNone, kCalibration, kPair };
  std::optional<std::string> Command(uint8_t byte);
  std::optional<std::string> BlockByte(uint8_t byte);
  void SetLights(int mask);
  void Step(double seconds);
  double Reading(int chamber);

  std::mt19937 random_;
  DeviceStatus status_;
  std::array<ChamberModel, 3> chambers_{};
  // Block decoding: which block, which value (0 or 1), chunks left, sum so far.
  Block block_ = Block::kNone;
  int blockValue_ = 0;
  int chunksLeft_ = -1;  // -1: the count byte comes next
  int32_t sum_ = 0;
  int32_t firstValue_ = 0;
  int demoPhase_ = -1;
};

}  // namespace corvala::devsim
