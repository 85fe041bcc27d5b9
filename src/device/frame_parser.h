#pragma once
// Reads the device's frames: a line containing "anfang", nine field lines and
// a line containing "ende". Readings go into the link's accumulators once the
// frame's unit is read and is the unit in force (a frame cut short, or in
// another unit, adds none); the
// temperatures and the channel count into its report; a unit other than the
// one in force raises the unit mismatch.

#include <array>
#include <functional>
#include <string_view>

namespace corvala {

struct DeviceLink;
class SharedUnitConfig;

// Bitmaps of the set-point indicator: close to, near, far from the set point.
inline constexpr int kIndicatorOnTarget = 154;
inline constexpr int kIndicatorNear = 153;
inline constexpr int kIndicatorFar = 152;

// Field values beyond this magnitude cannot come from a measurement: they are
// read as a garbled field.
inline constexpr double kMaxFieldMagnitude = 1.0e6;

// Called on the link thread with the new indicator bitmap when the state changes.
using IndicatorCallback = std::function<void(int bitmapId)>;

// Adds one reading of chamber 0..2 to its sum and makes it the live value;
// other chamber numbers are ignored.
void AddReading(DeviceLink& link, int chamber, float value);

// Indicator state for a shown set point and a device temperature: 0 within
// 0.2 degrees, 1 within 0.6 degrees, else 2.
int IndicatorState(int setPointShown, float temperature);
int IndicatorBitmap(int state);

// The display tick's unit check: true, once, when the device has reported
// another unit (the mismatch goes from 1 to 2). Never while a factor pair is on
// its way: frames from before the device has it do not count.
bool TakeUnitMismatch(DeviceLink& link);

// Stores the device temperature and updates the set-point indicator; the
// callback runs only when the indicator's state changes.
void SetDeviceTemperature(DeviceLink& link, float temperature, const IndicatorCallback& onChange);

class FrameParser {
 public:
  static constexpr int kOutside = -1;

  FrameParser(DeviceLink& link, const SharedUnitConfig& units, IndicatorCallback onIndicator);

  void ParseLine(std::string_view line);
  // -1 outside a frame, else the number of fields read so far.
  int State() const { return state_; }
  void Reset() {
    state_ = kOutside;
    held_ = {false, false, false};
  }

 private:
  void TakeField(int field, std::string_view line);
  void Hold(int chamber, float value);

  DeviceLink& link_;
  const SharedUnitConfig& units_;
  IndicatorCallback onIndicator_;
  int state_ = kOutside;
  int channels_ = 0;
  float firstReading_ = 0.0f;
  float firstTemperature_ = 0.0f;
  // The frame's readings until its unit (field 9) has been read.
  std::array<bool, 3> held_{false, false, false};
  std::array<float, 3> heldValue_{0.0f, 0.0f, 0.0f};
};

}  // namespace corvala
