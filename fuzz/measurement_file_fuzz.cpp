// A measurement file as the loader reads it, and what the station writes of it.

#include <algorithm>

#include "files/measurement_file.h"
#include "fuzz_check.h"

namespace corvala::fuzz {
namespace {

constexpr const char* kTarget = "measurement_file";

void CheckColumns(const SampleSeries& s) {
  const size_t n = s.Elapsed().size();
  Check(s.Hour().size() == n && s.Minute().size() == n && s.Second().size() == n &&
            s.Pressure().size() == n && s.Light().size() == n && s.Temperature().size() == n,
        kTarget, "series of different lengths");
}

}  // namespace

void FuzzMeasurementFile(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  MeasurementReadContext context;
  // Now and then a factor pair the chart top cannot be widened with.
  if (size > 0 && data[0] % 7 == 0) context.factor2 = 0.0f;
  const MeasurementFileContent content = ParseMeasurementFile(text, context);
  const ChamberRecord& record = content.record;
  CheckColumns(record.series);
  Check(record.stepTime.size() == record.stepLight.size(), kTarget, "program copy lengths");
  // Counts in the file only bound what is read: rows need lines, and steps beyond
  // the 9999 a station writes need keys.
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  Check(static_cast<size_t>(record.series.Size()) <= lines, kTarget, "more rows than lines");
  Check(record.stepTime.size() <= std::max<size_t>(9999, size), kTarget,
        "steps allocated by an untrusted count");
  Check(content.maxPressure >= context.maxPressure, kTarget, "the chart top shrank");
  Check(content.maxPressure <= std::max(context.maxPressure, 100000), kTarget,
        "the chart top became absurd");
  if (!content.HasSamples()) {
    Check(record.series.Empty(), kTarget, "rows without an announced count");
    return;
  }
  Check(record.runUnit == 1 || record.runUnit == 2, kTarget, "unit");

  // What the station writes of the record reads back to the same file.
  const std::string written = FormatMeasurementFile(record);
  const MeasurementFileContent again = ParseMeasurementFile(written, context);
  // The count line holds the rows minus one, and a file announcing 0 loads
  // nothing: a run of one sample does not come back (the format's own rule).
  if (record.series.Size() <= 1) {
    Check(!again.HasSamples(), kTarget, "a record of one sample or none reads back with samples");
    return;
  }
  Check(again.record.series.Size() == record.series.Size(), kTarget,
        "a written file reads back with another number of rows");
  Check(FormatMeasurementFile(again.record) == written, kTarget,
        "a written file does not read back equal");
}

}  // namespace corvala::fuzz
