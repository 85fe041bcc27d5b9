#pragma once
// The rules of the 250 ms display tick and of the view's steppers: the link
// check, the trackbar scales, what the live edits show, the blinking of the
// "measuring" labels and the bounds of the set point and interval steppers.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "device/port_names.h"

namespace corvala {

inline constexpr int kDisplayTickMs = 250;

// The link check: the tick counts 100 ms per tick, so a check period lasts 2.5
// sampling intervals; a frame start seen within it means the link is alive. A
// link shown lost is shown alive at the tick that sees its first frame start.
class LinkCheck {
 public:
  // One tick. Returns the new state when it differs from the one shown.
  std::optional<bool> Tick(int32_t sampleInterval, std::atomic<int32_t>& frameStartSeen);
  bool Alive() const { return alive_; }

 private:
  int32_t timerMs_ = 0;
  bool alive_ = false;
  bool shown_ = false;
};

// "max. Pressure" trackbar (0..100): 4 mbar a step from 100 mbar.
int32_t MaxPressureOfTrackbar(int position);
int TrackbarOfMaxPressure(int32_t maxPressure);
// "max. Time" trackbar (0..58): 5 minutes a step from 10 minutes, in seconds.
int32_t MaxTimeOfTrackbar(int position);
int TrackbarOfMaxTime(int32_t maxTime);
// The time scroll bar's maximum in minutes for a chart span of timeSpan seconds.
int TimeScrollMaximum(int32_t timeSpan, int32_t maxTime, int32_t timeOffset);

// A live reading as shown: values outside 0..700 show as 0.
float ShownReading(float value);
// "%3.1f mbar" or "%4.2f mg/l".
std::string ReadingText(float value, int32_t unit);
// The device temperature as shown: values outside 0..99.9 show as 0.
float ShownTemperature(float value);

// The unit a live reading is shown in: the unit the device reported last
// (readings come in the device's unit), the unit in force while none is known.
int32_t ReadingUnit(int32_t deviceUnit, int32_t unitInForce);
// What the window says while the device reports a unit other than the one in
// force; empty when it does not (or no unit is known yet).
std::string DeviceUnitNotice(int32_t deviceUnit, int32_t unitInForce);

// Which live reading edits show for a channel count (I, II, III); nothing for
// a count that leaves them as they are.
struct LiveEdits {
  bool chamber1, chamber2, chamber3;
};
std::optional<LiveEdits> LiveEditsFor(int32_t channels);

// The "measuring" labels blink: shown for 11 ticks, hidden for 10.
class Blinker {
 public:
  // Advances one tick; true while the labels show.
  bool Tick() {
    phase_ = phase_ >= 20 ? 0 : phase_ + 1;
    return phase_ <= 10;
  }

 private:
  int phase_ = 0;
};

// The sampling interval the steppers keep, in seconds.
inline constexpr int32_t kMinSampleInterval = 1;
inline constexpr int32_t kMaxSampleInterval = 99;

// The window's status line about the device link: the port, its path, its
// state and what to do next, for example "COM1 (/dev/ttyUSB0): no such device.
// Choose the adapter under Configuration > Adapter." framesArrive is the link
// check's verdict; a running chamber without frames is said to wait.
std::string LinkStatusLine(const PortStatus& port, bool framesArrive, bool running);

// The window's title: "Corvala3", marked while the simulator stands in for the device.
std::string WindowTitle(bool simulated);

// The steppers keep the set point within 5..45 degrees and the interval within 1..99 s.
int32_t SetPointDown(int32_t setPoint);
int32_t SetPointUp(int32_t setPoint);
int32_t IntervalDown(int32_t interval);
int32_t IntervalUp(int32_t interval);

}  // namespace corvala
