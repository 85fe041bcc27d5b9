#pragma once
// The measurement file (".cv3"): one chamber run as "key=value" header lines,
// the marker "Messwerte:" and one fixed-column row per sample, CR LF line ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/chamber_record.h"
#include "util/result.h"

namespace corvala {

inline constexpr const char* kMeasurementExtension = "cv3";

// The file's exact text for a record (its complete samples).
std::string FormatMeasurementFile(const ChamberRecord& record);
// Writes the file whole.
Result WriteMeasurementFile(const ChamberRecord& record, const std::string& path);

// Station values the reader falls back on and widens.
struct MeasurementReadContext {
  int32_t sampleInterval = 5;  // for a missing "Messabstand"
  int32_t temperature = 25;    // for a missing "Temperatur"
  int32_t displayUnit = 1;     // unit and factors the chart top is widened with
  float effFactor1 = 1.0f;
  float effFactor2 = 1.0f;
  int32_t maxPressure = 300;
};

struct MeasurementFileContent {
  int32_t announced = -1;  // "AnzahlMesswerte": rows minus one
  // Header values, program copy and the rows read (only when announced >= 1);
  // its series holds the rows actually there.
  ChamberRecord record;
  int32_t maxPressure = 300;  // the chart top after the rows were read
  bool HasSamples() const { return announced >= 1; }
};

// Reads a file's text. Counts in the file only bound the reading: a file ending
// early gives the rows it holds, all series of equal length.
MeasurementFileContent ParseMeasurementFile(std::string_view text,
                                            const MeasurementReadContext& context);

// The header values and program copy of a record's text (start, interval, set
// point, unit, steps), with the fallbacks of the measurement file's reader.
ChamberRecord ParseMeasurementHeader(std::string_view text, const MeasurementReadContext& context);

// The chart top after a loaded pressure: widened to the pressure's integer
// part + 10 (unit 1) or to the pressure converted by the effective factors
// + 10 (unit 2) when it reaches it. Pressures with integer part 0 and a factor
// pair with effFactor2 0 leave it unchanged.
int32_t WidenMaxPressure(int32_t maxPressure, float pressure, int32_t displayUnit, float effFactor1,
                         float effFactor2);

// The file name without folder and extension ("D/run.cv3" gives "run").
std::string FileTitle(const std::string& path);

}  // namespace corvala
