#include "station/display_tick.h"

#include <algorithm>
#include <cstdint>

#include "util/c_format.h"
#include "util/units.h"

namespace corvala {

std::optional<bool> LinkCheck::Tick(int32_t sampleInterval, std::atomic<int32_t>& frameStartSeen) {
  timerMs_ += 100;
  if (!alive_ && frameStartSeen.load() != -1) {
    // A link shown lost comes alive with its first frame, not a whole period
    // later while its values already show; the period that may find it lost
    // again starts with that frame.
    alive_ = true;
    timerMs_ = 0;
  } else if (int64_t{timerMs_} >= int64_t{sampleInterval} * 1000) {
    alive_ = frameStartSeen.exchange(-1) != -1;
    timerMs_ = 0;
  }
  if (alive_ == shown_) return std::nullopt;
  shown_ = alive_;
  return alive_;
}

int32_t MaxPressureOfTrackbar(int position) {
  return 4 * position + 100;
}

int TrackbarOfMaxPressure(int32_t maxPressure) {
  return static_cast<int>((int64_t{maxPressure} - 100) / 4);
}

int32_t MaxTimeOfTrackbar(int position) {
  return (5 * position + 10) * 60;
}

int TrackbarOfMaxTime(int32_t maxTime) {
  return static_cast<int>((int64_t{maxTime} - 500) / 300);
}

int TimeScrollMaximum(int32_t timeSpan, int32_t maxTime, int32_t timeOffset) {
  // No scroll position whose seconds overflow: a hand-edited negative time
  // window would otherwise make the hidden part huge.
  const int64_t minutes = (int64_t{timeSpan} - (int64_t{maxTime} - timeOffset)) / 60;
  return static_cast<int>(std::clamp<int64_t>(minutes, 0, INT32_MAX / 60));
}

float ShownReading(float value) {
  return value < 0.0f || value > 700.0f ? 0.0f : value;
}

std::string ReadingText(float value, int32_t unit) {
  return unit == kUnitMgl ? Format("%4.2f mg/l", static_cast<double>(value))
                          : Format("%3.1f mbar", static_cast<double>(value));
}

float ShownTemperature(float value) {
  return value < 0.0f || value > 99.9f ? 0.0f : value;
}

std::optional<LiveEdits> LiveEditsFor(int32_t channels) {
  if (channels == 3 || channels < 2) return LiveEdits{true, true, true};
  if (channels == 2) return LiveEdits{true, true, false};
  return std::nullopt;
}

int32_t SetPointDown(int32_t setPoint) {
  return setPoint < 6 ? setPoint : setPoint - 1;
}

int32_t SetPointUp(int32_t setPoint) {
  return setPoint >= 45 ? setPoint : setPoint + 1;
}

int32_t IntervalDown(int32_t interval) {
  return interval > kMinSampleInterval ? interval - 1 : interval;
}

int32_t IntervalUp(int32_t interval) {
  return interval < kMaxSampleInterval ? interval + 1 : interval;
}

int32_t ReadingUnit(int32_t deviceUnit, int32_t unitInForce) {
  return deviceUnit == kUnitMbar || deviceUnit == kUnitMgl ? deviceUnit : unitInForce;
}

std::string DeviceUnitNotice(int32_t deviceUnit, int32_t unitInForce) {
  if (ReadingUnit(deviceUnit, unitInForce) == unitInForce) return {};
  return Format("The device reports %s, the station measures in %s: the factor pair is sent again.",
                UnitName(deviceUnit).c_str(), UnitName(unitInForce).c_str());
}

std::string LinkStatusLine(const PortStatus& port, bool framesArrive, bool running) {
  std::string line = PortStatusText(port);
  switch (port.state) {
    case PortState::kUnknown:
      line += ".";
      break;
    case PortState::kConnected:
      if (port.simulated) {
        line += Format(
            " - the values are not measured. To measure, start with --port COM%d=PATH of the "
            "device.",
            port.comPort);
      } else if (framesArrive) {
        line += ", the device sends values.";
      } else {
        line += ", but the device sends nothing. Check that it is switched on and its cable.";
      }
      break;
    case PortState::kNoSuchDevice:
      line += ". Choose the adapter under Configuration > Adapter.";
      break;
    case PortState::kPermissionDenied:
      // The dialout group helps only where that group may open the device;
      // otherwise the reason already says who must change what.
      line += port.detail.empty() || port.detail.ends_with("the dialout group")
                  ? ". Run \"sudo adduser $USER dialout\", then log out and in again."
                  : ".";
      break;
    case PortState::kBusy:
      line += ". Close the program that has the port open.";
      break;
    case PortState::kFailed:
      line += ".";
      break;
  }
  if (running && !framesArrive) line += " The run waits for the device.";
  return line;
}

std::string WindowTitle(bool simulated) {
  return simulated ? "Corvala3 - simulated device, values not measured" : "Corvala3";
}

}  // namespace corvala
