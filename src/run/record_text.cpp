#include "run/record_text.h"

#include <algorithm>

#include "util/c_format.h"
#include "util/key_value_text.h"

namespace corvala {

std::string FormatRecordHeader(const ChamberRecord& record) {
  const size_t steps = std::min(record.stepTime.size(), record.stepLight.size());
  std::string out;
  out.reserve(200 + 40 * steps);
  out += Format("Jahr=%d\r\n", record.startYear);
  out += Format("Monat=%d\r\n", record.startMonth);
  out += Format("Tag=%d\r\n", record.startDay);
  out += Format("Stunde=%d\r\n", record.startHour);
  out += Format("Minute=%d\r\n", record.startMinute);
  out += Format("Sekunde=%d\r\n", record.startSecond);
  out += Format("Messabstand=%d\r\n", record.runInterval);
  out += Format("Temperatur=%d\r\n", record.runTemperature);
  out += Format("Einheit=%d\r\n", record.runUnit);
  if (record.simulated) out += std::string(kSimulatedKey) + "=1\r\n";
  out += Format("AnzahlProg=%d\r\n", static_cast<int32_t>(steps));
  for (size_t k = 0; k < steps; ++k) {
    const std::string number = FormatRowNumber(static_cast<int32_t>(k + 1));
    out += Format("Delay%s=%d\r\n", number.c_str(), record.stepTime[k]);
    out += Format("Licht%s=%d\r\n", number.c_str(), record.stepLight[k]);
  }
  return out;
}

std::string FormatSamplesMarker() {
  return std::string("\r\n\r\n") + kSamplesMarker + "\r\n";
}

std::string FormatSampleRow(const Sample& s) {
  return Format("%4d %4d %4d %8d %8.2f %4.1f %1d\r\n", s.hour, s.minute, s.second, s.elapsed,
                static_cast<double>(s.pressure), static_cast<double>(s.temperature),
                s.light == 1 ? 1 : 0);
}

}  // namespace corvala
