#pragma once
// The measurement file (".cv3"): one chamber run as "key=value" header lines,
// the marker "Messwerte:" and one fixed-column row per sample, CR LF line ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/chamber_record.h"
#include "util/progress.h"
#include "util/result.h"

namespace corvala {

inline constexpr const char* kMeasurementExtension = "cv3";

// The file's exact text for a record (its complete samples).
std::string FormatMeasurementFile(const ChamberRecord& record);
// Writes the file whole (FormatMeasurementFile's bytes), formatting its rows a
// chunk at a time as they are written.
Result WriteMeasurementFile(const ChamberRecord& record, const std::string& path);
// As above from a shared record, taken under its lock for each chunk and never
// copied; a record whose run changes meanwhile leaves the target untouched.
// With progress, each chunk adds its rows to progress->done, and a cancel
// asked for abandons the file (the target stays untouched) with the reason
// kWritingCancelled.
Result WriteMeasurementFile(const SharedChamber& chamber, const std::string& path,
                            Progress* progress = nullptr);
inline constexpr const char* kWritingCancelled = "cancelled";

// Station values the reader falls back on and widens.
struct MeasurementReadContext {
  int32_t sampleInterval = 5;  // for a missing "Messabstand"
  int32_t temperature = 25;    // for a missing "Temperatur"
  // The configured conversion pair (m_factor1, m_factor2) that turns the
  // pressures of an mg/l run into mbar for the chart top.
  float factor1 = 210.0f;
  float factor2 = 8.23f;
  int32_t maxPressure = 300;  // the chart top, mbar
};

struct MeasurementFileContent {
  int32_t announced = -1;  // "AnzahlMesswerte": rows minus one
  // Header values, program copy and the sample rows read (only when
  // announced >= 1); its series holds the rows actually there.
  ChamberRecord record;
  int32_t maxPressure = 300;  // the chart top after the rows were read
  // Only a file that announces rows and holds at least one can replace a run.
  bool HasSamples() const { return announced >= 1 && record.Samples() > 0; }
};

// Reads a file's text. Counts in the file only bound the reading: a file ending
// early gives the rows it holds, all series of equal length. A line that does
// not hold all seven fields as numbers, or whose pressure or temperature is
// not finite, is no sample and is passed over. With progress, the lines after
// the marker are its total and the lines read so far its done; a cancel asked
// for stops the reading (the content is then incomplete).
MeasurementFileContent ParseMeasurementFile(std::string_view text,
                                            const MeasurementReadContext& context,
                                            Progress* progress = nullptr);

// The header values and program copy of a record's text (start, interval, set
// point, unit, steps), with the fallbacks of the measurement file's reader.
ChamberRecord ParseMeasurementHeader(std::string_view text, const MeasurementReadContext& context);

// The chart top (mbar) after a loaded pressure in pressureUnit: widened to the
// pressure's integer part + 10 (mbar) or to the pressure turned into mbar by
// the factor pair + 10 (mg/l) when it reaches it, but never beyond 100,000
// mbar. Pressures with integer part 0 or not finite, and a pair with factor2
// 0, leave it unchanged.
int32_t WidenMaxPressure(int32_t maxPressure, float pressure, int32_t pressureUnit, float factor1,
                         float factor2);

// The file name without folder and extension ("D/run.cv3" gives "run").
std::string FileTitle(const std::string& path);

}  // namespace corvala
