#include "device/frame_parser.h"

#include <cmath>

#include "device/device_state.h"
#include "util/c_format.h"
#include "util/units.h"

namespace corvala {
namespace {

constexpr std::string_view kFrameStart = "anfang";
constexpr std::string_view kFrameEnd = "ende";

bool Contains(std::string_view line, std::string_view word) {
  return line.find(word) != std::string_view::npos;
}

// The leading decimal number of a field. Text, "nan", "inf" and values no
// device can measure (beyond kMaxFieldMagnitude) count as a garbled field, 0,
// so a reading sum never overflows and a temperature never leaves int range.
float FieldFloat(std::string_view line) {
  const double value = ParseFloat(line);
  if (!std::isfinite(value) || std::fabs(value) > kMaxFieldMagnitude) return 0.0f;
  return static_cast<float>(value);
}

}  // namespace

void AddReading(DeviceLink& link, int chamber, float value) {
  if (chamber < 0 || chamber > 2) return;
  link.report.m_readings[chamber].Add(value);
  link.report.m_lastReading[chamber].store(value);
}

int IndicatorState(int setPointShown, float temperature) {
  // Tenths of a degree, truncated toward zero, in the device's float arithmetic.
  // The distance is taken before it is made whole, so no value overflows.
  const float difference = 10.0f * static_cast<float>(setPointShown) - 10.0f * temperature;
  const float tenths = std::trunc(std::fabs(difference));
  if (!(tenths < 7.0f)) return 2;  // far, and NaN
  if (tenths >= 3.0f) return 1;
  return 0;
}

int IndicatorBitmap(int state) {
  switch (state) {
    case 0:
      return kIndicatorOnTarget;
    case 1:
      return kIndicatorNear;
    default:
      return kIndicatorFar;
  }
}

bool TakeUnitMismatch(DeviceLink& link) {
  // The pair is checked first: once it has gone out, the link has already
  // dropped a mismatch raised by frames from before.
  if (link.commands.m_pairCommand.Busy()) return false;
  int32_t raised = 1;
  return link.report.m_unitMismatch.compare_exchange_strong(raised, 2);
}

void SetDeviceTemperature(DeviceLink& link, float temperature, const IndicatorCallback& onChange) {
  link.report.m_deviceTemperature.store(temperature);
  const int state = IndicatorState(link.m_temperatureShown.load(), temperature);
  if (link.report.m_tempIndicator.exchange(state) != state && onChange)
    onChange(IndicatorBitmap(state));
}

FrameParser::FrameParser(DeviceLink& link, const SharedUnitConfig& units,
                         IndicatorCallback onIndicator)
    : link_(link), units_(units), onIndicator_(std::move(onIndicator)) {}

void FrameParser::ParseLine(std::string_view line) {
  const bool isStart = Contains(line, kFrameStart);
  const bool isEnd = Contains(line, kFrameEnd);
  if (state_ >= 0 && state_ <= 8) {
    if (isStart || isEnd) {
      // A frame cut short: its marker lines are never read as field values.
      state_ = kOutside;
    } else {
      TakeField(state_ + 1, line);
      ++state_;
    }
  }
  if (isStart) {
    held_ = {false, false, false};  // a frame cut short: its readings are dropped
    state_ = 0;
    link_.report.m_frameStartSeen.store(0);
  } else if (state_ == 9 && isEnd) {
    state_ = kOutside;
  }
}

void FrameParser::Hold(int chamber, float value) {
  held_[static_cast<size_t>(chamber)] = true;
  heldValue_[static_cast<size_t>(chamber)] = value;
}

void FrameParser::TakeField(int field, std::string_view line) {
  DeviceLink& s = link_;
  DeviceReport& r = link_.report;
  switch (field) {
    case 1:
      channels_ = ParseInt(line);
      r.m_serviceArg.store(channels_);
      break;
    case 2:
      if (channels_ > 0) SetDeviceTemperature(s, FieldFloat(line), onIndicator_);
      break;
    case 3:
      firstReading_ = FieldFloat(line);
      Hold(0, firstReading_);
      break;
    case 4:
      Hold(1, channels_ < 2 ? firstReading_ : FieldFloat(line));
      break;
    case 5:
      if (channels_ == 3) {
        Hold(2, FieldFloat(line));
      } else if (channels_ < 2) {
        Hold(2, firstReading_);
      } else if (channels_ == 2) {
        // A two-channel device has no third chamber: a negative sum means no data.
        Hold(2, -1.0f);
      }
      break;
    case 6:
      firstTemperature_ = FieldFloat(line);
      r.m_chamberTemperature[0].store(firstTemperature_);
      if (channels_ == 0) SetDeviceTemperature(s, firstTemperature_, onIndicator_);
      break;
    case 7:
      r.m_chamberTemperature[1].store(channels_ < 2 ? firstTemperature_ : FieldFloat(line));
      break;
    case 8:
      r.m_chamberTemperature[2].store(channels_ < 2 ? firstTemperature_ : FieldFloat(line));
      break;
    case 9: {
      // Only a real unit (1 mbar, 2 mg/l) can ask for a unit switch; a garbled
      // line reads as 0 and must not flip the display. While a factor pair is
      // on its way the device may still report the unit it had before, so the
      // check waits (the unit is read first: a new unit is only in force once
      // its pair is set).
      const int32_t unit = ParseInt(line);
      const bool realUnit = unit == 1 || unit == 2;
      if (realUnit) r.m_deviceUnit.store(unit);
      const bool otherUnit = realUnit && unit != units_.Unit();
      if (otherUnit && !link_.commands.m_pairCommand.Busy()) {
        int32_t none = 0;  // 1 stays 1; 2 (switch made) stays 2
        r.m_unitMismatch.compare_exchange_strong(none, 1);
      }
      // The frame's readings are summed only now that their unit is known: a
      // frame in a unit other than the one in force (a device switched off and
      // on, a pair not yet taken) must not reach a run's samples. It still
      // shows as the live value, with the device's unit.
      for (size_t c = 0; c < 3; ++c) {
        if (!held_[c]) continue;
        if (otherUnit) {
          r.m_lastReading[c].store(heldValue_[c]);
        } else {
          AddReading(s, static_cast<int>(c), heldValue_[c]);
        }
      }
      held_ = {false, false, false};
      break;
    }
    default:
      break;
  }
}

}  // namespace corvala
