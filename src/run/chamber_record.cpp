#include "run/chamber_record.h"

#include <algorithm>

namespace corvala {

void AnalysisBlock::Clear() {
  *this = AnalysisBlock{};
}

int32_t ChamberRecord::Samples() const {
  const auto held = static_cast<int32_t>(
      std::min({sampleHour.size(), sampleMinute.size(), sampleSecond.size(), sampleElapsed.size(),
                samplePressure.size(), sampleLight.size(), sampleTemperature.size()}));
  return std::clamp(sampleCount, 0, held);
}

void ChamberRecord::ClearSeries() {
  samplePressure.clear();
  sampleLight.clear();
  sampleHour.clear();
  sampleMinute.clear();
  sampleSecond.clear();
  sampleElapsed.clear();
  sampleTemperature.clear();
}

bool AppendSample(ChamberRecord& record, float pressure, float temperature, uint8_t light,
                  const LocalTime& sampleTime, int32_t elapsed) {
  if (record.sampleCount == 0) {
    record.startDay = sampleTime.day;
    record.startMonth = sampleTime.month;
    record.startYear = sampleTime.year;
    record.startHour = sampleTime.hour;
    record.startMinute = sampleTime.minute;
    record.startSecond = sampleTime.second;
    record.ClearSeries();
    record.measurementName.clear();
  }
  ++record.sampleCount;
  record.samplePressure.push_back(pressure);
  record.sampleTemperature.push_back(temperature);
  record.sampleLight.push_back(light);
  record.sampleHour.push_back(sampleTime.hour);
  record.sampleMinute.push_back(sampleTime.minute);
  record.sampleSecond.push_back(sampleTime.second);
  record.sampleElapsed.push_back(elapsed);
  record.saved = 0;
  return true;
}

}  // namespace corvala
